// Ids of the program's resources, shared by res/tarnvel.rc and the code that loads them.
// Plain #defines: the resource compiler reads this file too.
#pragma once

// The schedule dialog: a calendar entry's day (monthly or weekly) and time.
#define IDD_SCHEDULE 200
#define IDC_SCHEDULE_MONTHLY 201
#define IDC_SCHEDULE_WEEKLY 202
#define IDC_SCHEDULE_DAYS 203
#define IDC_SCHEDULE_WEEKDAYS 204
#define IDC_SCHEDULE_TIME_LABEL 205
#define IDC_SCHEDULE_HOUR 206
#define IDC_SCHEDULE_COLON 207
#define IDC_SCHEDULE_MINUTE 208
#define IDC_SCHEDULE_HINT 209
