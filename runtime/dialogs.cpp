// The dialog service in use, the scripted service of the tests, and the default buttons.
#include "runtime/dialogs.h"

#include <atomic>

#include "runtime/values.h"

namespace tarnvel {
namespace {

std::atomic<DialogService*> installed{nullptr};

}  // namespace

DialogService& CurrentDialogService() {
  DialogService* service = installed.load();
  return service != nullptr ? *service : SystemDialogService();
}

#ifndef _WIN32
namespace {

// A build without windows has nobody to ask: every question is an error, never a silent answer.
class NoDialogs : public DialogService {
 public:
  int ShowMessage(const std::string& message, int, const std::string&) override {
    throw RuntimeError("没有可显示信息框的窗口系统：" + message);
  }
  std::string ChooseFolder(const std::string&) override { throw RuntimeError("没有可选择文件夹的窗口系统"); }
  int PopupMenu(void*, const Menu&, std::optional<int>, std::optional<int>) override {
    throw RuntimeError("没有可显示菜单的窗口系统");
  }
  void Beep() override {}
};

}  // namespace

DialogService& SystemDialogService() {
  static NoDialogs service;
  return service;
}
#endif

int ShowMessage(const std::string& message, int flags, const std::string& caption) {
  return CurrentDialogService().ShowMessage(message, flags, caption);
}

std::string ChooseFolder(const std::string& title) { return CurrentDialogService().ChooseFolder(title); }

void Beep() { CurrentDialogService().Beep(); }

int DefaultButton(int flags) {
  static const int kButtons[6][3] = {
      {kButtonOk, kButtonOk, kButtonOk},           {kButtonOk, kButtonCancel, kButtonCancel},
      {kButtonAbort, kButtonRetry, kButtonIgnore}, {kButtonYes, kButtonNo, kButtonCancel},
      {kButtonYes, kButtonNo, kButtonNo},          {kButtonRetry, kButtonCancel, kButtonCancel},
  };
  const int set = flags & 0x0F;
  const int which = (flags & kMessageDefaultThird) ? 2 : (flags & kMessageDefaultSecond) ? 1 : 0;
  return set < 6 ? kButtons[set][which] : kButtonOk;
}

// --- ScopedDialogScript ---

ScopedDialogScript::ScopedDialogScript() : previous_(installed.exchange(this)) {}

ScopedDialogScript::~ScopedDialogScript() { installed.store(previous_); }

void ScopedDialogScript::AnswerMessage(int button) {
  std::lock_guard lock(mutex_);
  buttons_.push_back(button);
}

void ScopedDialogScript::AnswerFolder(const std::string& folder) {
  std::lock_guard lock(mutex_);
  folders_.push_back(folder);
}

void ScopedDialogScript::AnswerMenu(int id) {
  std::lock_guard lock(mutex_);
  menuChoices_.push_back(id);
}

std::vector<ScopedDialogScript::Message> ScopedDialogScript::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> ScopedDialogScript::FolderTitles() const {
  std::lock_guard lock(mutex_);
  return folderTitles_;
}

std::vector<Menu> ScopedDialogScript::Menus() const {
  std::lock_guard lock(mutex_);
  return menus_;
}

int ScopedDialogScript::Beeps() const {
  std::lock_guard lock(mutex_);
  return beeps_;
}

int ScopedDialogScript::ShowMessage(const std::string& message, int flags, const std::string& caption) {
  std::lock_guard lock(mutex_);
  messages_.push_back({message, flags, caption});
  if (buttons_.empty()) return DefaultButton(flags);
  const int button = buttons_.front();
  buttons_.pop_front();
  return button;
}

std::string ScopedDialogScript::ChooseFolder(const std::string& title) {
  std::lock_guard lock(mutex_);
  folderTitles_.push_back(title);
  if (folders_.empty()) return {};
  std::string folder = folders_.front();
  folders_.pop_front();
  return folder;
}

int ScopedDialogScript::PopupMenu(void*, const Menu& menu, std::optional<int>, std::optional<int>) {
  std::lock_guard lock(mutex_);
  menus_.push_back(menu);
  if (menuChoices_.empty()) return 0;
  const int id = menuChoices_.front();
  menuChoices_.pop_front();
  return id;
}

void ScopedDialogScript::Beep() {
  std::lock_guard lock(mutex_);
  ++beeps_;
}

}  // namespace tarnvel
