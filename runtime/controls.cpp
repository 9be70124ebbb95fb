// The state of the control objects and the record of changes their mirrors bring into windows.
#include "runtime/controls.h"

#include <algorithm>

#include "runtime/values.h"

namespace tarnvel {

using Op = ItemChange::Op;

Control::~Control() { Detach(); }

void Control::AttachMirror(std::unique_ptr<ControlMirror> mirror) {
  Detach();
  {
    std::lock_guard lock(mutex_);
    attached_ = true;
    dirty_ = PendingChanges::kText | PendingChanges::kVisible | PendingChanges::kEnabled |
             PendingChanges::kBounds | PendingChanges::kCheck | PendingChanges::kRange |
             PendingChanges::kPosition;
    changes_.clear();
    RecordAllItems(changes_);
  }
  mirror_ = std::move(mirror);
  mirror_->Flush();
}

void Control::Detach() {
  {
    std::lock_guard lock(mutex_);
    attached_ = false;
    dirty_ = 0;
    changes_.clear();
  }
  mirror_.reset();
}

#ifndef _WIN32
void Control::Attach(void*) { throw RuntimeError("this build has no windows to attach a control to"); }
#endif

void Control::Notify(bool coalesce) {
  if (ControlMirror* mirror = mirror_.get()) mirror->Changed(coalesce);
}

std::string Control::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void Control::SetText(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (text_ == text) return;
    text_ = text;
    if (attached_) dirty_ |= PendingChanges::kText;
  }
  Notify(false);
}

void Control::TakeTextFromWindow(const std::string& text) {
  std::lock_guard lock(mutex_);
  text_ = text;
}

bool Control::Visible() const {
  std::lock_guard lock(mutex_);
  return visible_;
}

void Control::SetVisible(bool visible) {
  {
    std::lock_guard lock(mutex_);
    if (visible_ == visible) return;
    visible_ = visible;
    if (attached_) dirty_ |= PendingChanges::kVisible;
  }
  Notify(false);
}

bool Control::Enabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

void Control::SetEnabled(bool enabled) {
  {
    std::lock_guard lock(mutex_);
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (attached_) dirty_ |= PendingChanges::kEnabled;
  }
  Notify(false);
}

ControlBounds Control::Bounds() const {
  std::lock_guard lock(mutex_);
  return bounds_;
}

void Control::SetBounds(const ControlBounds& bounds) {
  {
    std::lock_guard lock(mutex_);
    if (bounds_ == bounds) return;
    bounds_ = bounds;
    if (attached_) dirty_ |= PendingChanges::kBounds;
  }
  Notify(false);
}

void Control::SetLeft(int left) { MoveControl(*this, left); }
void Control::SetTop(int top) { MoveControl(*this, std::nullopt, top); }
void Control::SetWidth(int width) { MoveControl(*this, std::nullopt, std::nullopt, width); }
void Control::SetHeight(int height) { MoveControl(*this, std::nullopt, std::nullopt, std::nullopt, height); }

void Control::RequestRepaint() {
  {
    std::lock_guard lock(mutex_);
    if (!attached_) return;
    dirty_ |= PendingChanges::kRepaint;
  }
  Notify(false);
}

bool Control::PendingOnlyRedisplays() const {
  const ControlKind kind = Kind();
  if (kind != ControlKind::Label && kind != ControlKind::ProgressBar) return false;
  std::lock_guard lock(mutex_);
  return changes_.empty() && (dirty_ & ~(PendingChanges::kText | PendingChanges::kPosition)) == 0;
}

PendingChanges Control::TakePending() {
  std::lock_guard lock(mutex_);
  PendingChanges pending;
  pending.dirty = dirty_;
  pending.text = text_;
  pending.visible = visible_;
  pending.enabled = enabled_;
  pending.bounds = bounds_;
  FillPending(pending);
  pending.items.swap(changes_);
  dirty_ = 0;
  return pending;
}

// --- CheckBox ---

bool CheckBox::Checked() const {
  std::lock_guard lock(mutex_);
  return checked_;
}

void CheckBox::SetChecked(bool checked) {
  {
    std::lock_guard lock(mutex_);
    if (checked_ == checked) return;
    checked_ = checked;
    if (attached_) dirty_ |= PendingChanges::kCheck;
  }
  Notify(false);
}

void CheckBox::TakeCheckFromWindow(bool checked) {
  std::lock_guard lock(mutex_);
  checked_ = checked;
}

void CheckBox::FillPending(PendingChanges& pending) const { pending.check = checked_ ? 1 : 0; }

// --- ProgressBar ---

int ProgressBar::Minimum() const {
  std::lock_guard lock(mutex_);
  return minimum_;
}

int ProgressBar::Maximum() const {
  std::lock_guard lock(mutex_);
  return maximum_;
}

int ProgressBar::Position() const {
  std::lock_guard lock(mutex_);
  return position_;
}

void ProgressBar::ClampLocked() {
  const int low = std::min(minimum_, maximum_);
  const int high = std::max(minimum_, maximum_);
  position_ = std::clamp(position_, low, high);
}

void ProgressBar::SetRange(int minimum, int maximum) {
  {
    std::lock_guard lock(mutex_);
    const int oldPosition = position_;
    if (minimum_ == minimum && maximum_ == maximum) return;
    minimum_ = minimum;
    maximum_ = maximum;
    ClampLocked();
    if (attached_) {
      dirty_ |= PendingChanges::kRange;
      if (position_ != oldPosition) dirty_ |= PendingChanges::kPosition;
    }
  }
  Notify(false);
}

void ProgressBar::SetMinimum(int minimum) { SetRange(minimum, Maximum()); }
void ProgressBar::SetMaximum(int maximum) { SetRange(Minimum(), maximum); }

void ProgressBar::SetPosition(int position) {
  {
    std::lock_guard lock(mutex_);
    const int oldPosition = position_;
    position_ = position;
    ClampLocked();
    if (position_ == oldPosition) return;
    if (attached_) dirty_ |= PendingChanges::kPosition;
  }
  Notify(false);
}

void ProgressBar::Step(int delta) {
  {
    std::lock_guard lock(mutex_);
    const int oldPosition = position_;
    position_ += delta;
    ClampLocked();
    if (position_ == oldPosition) return;
    if (attached_) dirty_ |= PendingChanges::kPosition;
  }
  Notify(false);
}

void ProgressBar::FillPending(PendingChanges& pending) const {
  pending.minimum = minimum_;
  pending.maximum = maximum_;
  pending.position = position_;
}

// --- The operations by name ---

void MoveControl(Control& control, std::optional<int> left, std::optional<int> top, std::optional<int> width,
                 std::optional<int> height) {
  ControlBounds bounds = control.Bounds();
  if (left) bounds.left = *left;
  if (top) bounds.top = *top;
  if (width && *width != -1) bounds.width = *width;
  if (height && *height != -1) bounds.height = *height;
  control.SetBounds(bounds);  // an unchanged rectangle records nothing
}

void Repaint(Control& control) { control.RequestRepaint(); }

bool IsCreated(const Control& control) {
  const ControlMirror* mirror = control.Mirror();
  return mirror != nullptr && mirror->Alive();
}

std::uintptr_t WindowHandle(const Control& control) {
  const ControlMirror* mirror = control.Mirror();
  return mirror != nullptr && mirror->Alive() ? reinterpret_cast<std::uintptr_t>(mirror->Handle()) : 0;
}

}  // namespace tarnvel
