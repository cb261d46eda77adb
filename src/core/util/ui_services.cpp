#include "util/ui_services.h"

#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

namespace {

TUserInteraction& DefaultServices() {
  static TUserInteraction services;
  return services;
}

TUserInteraction* current = nullptr;

const char* KindName(TScriptedUserInteraction::TKind kind) {
  using K = TScriptedUserInteraction::TKind;
  switch (kind) {
    case K::Message: return "message box";
    case K::Input: return "input box";
    case K::OpenFile: return "file-open dialog";
    case K::SaveFile: return "file-save dialog";
    case K::Directory: return "directory dialog";
    case K::Break: return "break check";
  }
  return "question";
}

[[noreturn]] void Unexpected(const TScriptedUserInteraction::TQuestion& question, const std::string& why) {
  throw EUnexpectedQuestion(
      Format(msg::SUnexpectedQuestion, std::string(KindName(question.kind)) + " \"" + question.text + "\"" + why));
}

}  // namespace

TModalResult ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
  }
  return mrNone;
}

// ---- the non-interactive default ----------------------------------------------------------------

TModalResult TUserInteraction::MessageDlg(const std::string&, TMsgDlgType, TMsgDlgButtons buttons) {
  // The answer that commits to nothing: Cancel, else No, else Abort, else Ignore; a box that can
  // only be acknowledged is acknowledged. Never Yes, All or Retry.
  for (TMsgDlgBtn button : {mbCancel, mbNo, mbAbort, mbIgnore, mbOK}) {
    if ((buttons & button) != 0) return ModalResultOf(button);
  }
  return mrNone;
}

bool TUserInteraction::InputQuery(const std::string&, const std::string&, std::string&) { return false; }

std::optional<std::string> TUserInteraction::OpenFileDialog(const std::string&, const std::string&,
                                                            const std::string&, bool) {
  return std::nullopt;
}

std::optional<std::string> TUserInteraction::SaveFileDialog(const std::string&, const std::string&,
                                                            const std::string&, const std::string&,
                                                            const std::string&) {
  return std::nullopt;
}

std::optional<std::string> TUserInteraction::SelectDirectory(const std::string&, const std::string&) {
  return std::nullopt;
}

bool TUserInteraction::BreakRequested() { return false; }

void TUserInteraction::Beep() {}

TUserInteraction& UserInteraction() { return current != nullptr ? *current : DefaultServices(); }

TUserInteraction* SetUserInteraction(TUserInteraction* services) {
  TUserInteraction* previous = current != nullptr ? current : &DefaultServices();
  current = services == &DefaultServices() ? nullptr : services;
  return previous;
}

// ---- scripted answers ---------------------------------------------------------------------------

TScriptedUserInteraction::TScriptedUserInteraction() : previous_(SetUserInteraction(this)) {}

TScriptedUserInteraction::~TScriptedUserInteraction() {
  if (&UserInteraction() == this) SetUserInteraction(previous_);
}

bool TScriptedUserInteraction::AllAnswered() const noexcept {
  return messages_.empty() && inputs_.empty() && open_files_.empty() && save_files_.empty() &&
         directories_.empty() && breaks_.empty();
}

TModalResult TScriptedUserInteraction::MessageDlg(const std::string& text, TMsgDlgType type,
                                                  TMsgDlgButtons buttons) {
  asked_.push_back({TKind::Message, text, "", "", type, buttons});
  if (messages_.empty()) Unexpected(asked_.back(), "");
  const TModalResult answer = messages_.front();
  messages_.pop_front();
  bool offered = false;
  for (unsigned bit = 1; bit <= mbAll; bit <<= 1) {
    if ((buttons & bit) != 0 && ModalResultOf(static_cast<TMsgDlgBtn>(bit)) == answer) offered = true;
  }
  if (!offered) Unexpected(asked_.back(), Format(" has no button for the scripted answer %d", answer));
  return answer;
}

bool TScriptedUserInteraction::InputQuery(const std::string& caption, const std::string& prompt,
                                          std::string& value) {
  asked_.push_back({TKind::Input, prompt, caption, value, TMsgDlgType::mtCustom, 0});
  if (inputs_.empty()) Unexpected(asked_.back(), "");
  std::optional<std::string> answer = std::move(inputs_.front());
  inputs_.pop_front();
  if (!answer) return false;
  value = std::move(*answer);
  return true;
}

std::optional<std::string> TScriptedUserInteraction::OpenFileDialog(const std::string& title, const std::string& filter,
                                                                     const std::string& initialDir, bool) {
  asked_.push_back({TKind::OpenFile, title, filter, initialDir, TMsgDlgType::mtCustom, 0});
  if (open_files_.empty()) Unexpected(asked_.back(), "");
  std::optional<std::string> answer = std::move(open_files_.front());
  open_files_.pop_front();
  return answer;
}

std::optional<std::string> TScriptedUserInteraction::SaveFileDialog(const std::string& title, const std::string& filter,
                                                                     const std::string& initialDir,
                                                                     const std::string&, const std::string&) {
  asked_.push_back({TKind::SaveFile, title, filter, initialDir, TMsgDlgType::mtCustom, 0});
  if (save_files_.empty()) Unexpected(asked_.back(), "");
  std::optional<std::string> answer = std::move(save_files_.front());
  save_files_.pop_front();
  return answer;
}

std::optional<std::string> TScriptedUserInteraction::SelectDirectory(const std::string& caption,
                                                                      const std::string& initialDir) {
  asked_.push_back({TKind::Directory, caption, "", initialDir, TMsgDlgType::mtCustom, 0});
  if (directories_.empty()) Unexpected(asked_.back(), "");
  std::optional<std::string> answer = std::move(directories_.front());
  directories_.pop_front();
  return answer;
}

bool TScriptedUserInteraction::BreakRequested() {
  if (breaks_.empty()) return false;
  asked_.push_back({TKind::Break, msg::SBreakProcess, "", "", TMsgDlgType::mtWarning, mbYesNoCancel});
  const bool stop = breaks_.front();
  breaks_.pop_front();
  return stop;
}

}  // namespace bexlo
