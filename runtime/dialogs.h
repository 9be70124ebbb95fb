// Message boxes, the folder chooser, pop-up menus and the system sound.
//
// Every question to the user goes through one dialog service. The program uses the system's
// (message boxes, the folder browser, TrackPopupMenu); a test installs a ScopedDialogScript
// that answers from a script and records what was asked.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarnvel {

// The buttons a message box reports.
enum MessageButton : int {
  kButtonOk = 0,
  kButtonCancel = 1,
  kButtonAbort = 2,
  kButtonRetry = 3,
  kButtonIgnore = 4,
  kButtonYes = 5,
  kButtonNo = 6,
};

// Message-box style bits, as the platform numbers them.
enum MessageFlags : int {
  kMessageOk = 0,
  kMessageOkCancel = 1,
  kMessageAbortRetryIgnore = 2,
  kMessageYesNoCancel = 3,
  kMessageYesNo = 4,
  kMessageRetryCancel = 5,
  kMessageIconStop = 16,
  kMessageIconQuestion = 32,
  kMessageIconExclamation = 48,
  kMessageIconInformation = 64,
  kMessageDefaultSecond = 256,
  kMessageDefaultThird = 512,
  kMessageSystemModal = 4096,
};

// A pop-up menu: entries with a command id; an entry with id 0 is a separator.
struct MenuEntry {
  int id = 0;
  std::string text;
  bool enabled = true;
  bool checked = false;
};
using Menu = std::vector<MenuEntry>;

class DialogService {
 public:
  virtual ~DialogService() = default;
  // Returns the button pressed (MessageButton), or -1 when no box could be shown.
  virtual int ShowMessage(const std::string& message, int flags, const std::string& caption) = 0;
  // Returns the chosen folder, "" when the user cancelled.
  virtual std::string ChooseFolder(const std::string& title) = 0;
  // Shows the menu for the owner window (an HWND) at the given screen point, or at the mouse
  // position; returns the chosen entry's id, 0 when none was chosen.
  virtual int PopupMenu(void* owner, const Menu& menu, std::optional<int> x, std::optional<int> y) = 0;
  virtual void Beep() = 0;
};

// The service in use: the system's unless a script is installed.
DialogService& CurrentDialogService();
// The system's own dialogs (Windows build; elsewhere every question is a RuntimeError).
DialogService& SystemDialogService();

// A modal message box without owner window; task-modal unless kMessageSystemModal is given.
// Returns the button pressed: OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6; -1 when
// the box could not be shown.
int ShowMessage(const std::string& message, int flags = 0, const std::string& caption = "信息：");
std::string ChooseFolder(const std::string& title);
void Beep();

// The button a box answers with when the user just presses Enter: its default button.
int DefaultButton(int flags);

// Answers every question from a script while it lives, and records the questions. Answers are
// taken in order; a question with no scripted answer gets the box's default button, an empty
// folder (cancelled) or no menu choice. Safe to use from several threads.
class ScopedDialogScript : public DialogService {
 public:
  struct Message {
    std::string message;
    int flags = 0;
    std::string caption;
  };

  ScopedDialogScript();
  ~ScopedDialogScript() override;
  ScopedDialogScript(const ScopedDialogScript&) = delete;
  ScopedDialogScript& operator=(const ScopedDialogScript&) = delete;

  void AnswerMessage(int button);
  void AnswerFolder(const std::string& folder);
  void AnswerMenu(int id);

  std::vector<Message> Messages() const;
  std::vector<std::string> FolderTitles() const;
  std::vector<Menu> Menus() const;
  int Beeps() const;

  int ShowMessage(const std::string& message, int flags, const std::string& caption) override;
  std::string ChooseFolder(const std::string& title) override;
  int PopupMenu(void* owner, const Menu& menu, std::optional<int> x, std::optional<int> y) override;
  void Beep() override;

 private:
  mutable std::mutex mutex_;
  DialogService* previous_;
  std::deque<int> buttons_;
  std::deque<std::string> folders_;
  std::deque<int> menuChoices_;
  std::vector<Message> messages_;
  std::vector<std::string> folderTitles_;
  std::vector<Menu> menus_;
  int beeps_ = 0;
};

}  // namespace tarnvel
