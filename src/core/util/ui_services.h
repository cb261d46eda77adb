// User-interaction services: everything that asks the user something (message boxes, input
// boxes, file and directory dialogs, the user-break check) or signals to them (beep) goes
// through the current TUserInteraction. Core installs a non-interactive default that answers
// every question as cancelled or no; the widget library installs real dialogs when it loads;
// tests install TScriptedUserInteraction with the answers they expect to give.
#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bexlo {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a message box, combined with "|".
enum TMsgDlgBtn : unsigned {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
  mbAll = 1u << 7,
};
using TMsgDlgButtons = unsigned;
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
inline constexpr TMsgDlgButtons mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;

// The result of a modal dialog: the button that closed it.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;

// The modal result of a button (mbYes -> mrYes ...); mrNone for anything else.
TModalResult ModalResultOf(TMsgDlgBtn button);

// The services. Every member is called on the main thread. The base class is the
// non-interactive default: questions are answered as cancelled (or no when the box has no
// Cancel button), no file or directory is chosen, no break is requested, beeps are silent.
class TUserInteraction {
 public:
  virtual ~TUserInteraction() = default;

  // A message box with text, the icon of type and the given buttons; returns the modal result
  // of the button pressed.
  virtual TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);
  // An input box with a caption and a prompt; value holds the initial text and receives the
  // answer. True on OK; on cancel value is left as it was.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
  // A file-open dialog. filter has the form "Description (*.EXT)|*.EXT|...". The chosen path, or
  // nothing when cancelled.
  virtual std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                                    const std::string& initialDir, bool mustExist);
  // A file-save dialog starting with fileName; defaultExt (without the dot) is appended to a
  // name typed without an extension.
  virtual std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                                    const std::string& initialDir, const std::string& fileName,
                                                    const std::string& defaultExt);
  // A directory chooser.
  virtual std::optional<std::string> SelectDirectory(const std::string& caption, const std::string& initialDir);
  // The check a long run makes now and then: the widget library processes pending events and,
  // when Escape was pressed, asks "Break process ?"; true means the user wants to stop.
  virtual bool BreakRequested();
  // The default message beep.
  virtual void Beep();
};

// The services in force (never null) and how to replace them. SetUserInteraction does not take
// ownership; null puts the non-interactive default back. Returns the previous services.
TUserInteraction& UserInteraction();
TUserInteraction* SetUserInteraction(TUserInteraction* services);

// Shorthands through the current services.
inline TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  return UserInteraction().MessageDlg(text, type, buttons);
}
inline bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  return UserInteraction().InputQuery(caption, prompt, value);
}
inline bool BreakRequested() { return UserInteraction().BreakRequested(); }
inline void Beep() { UserInteraction().Beep(); }

// Raised by TScriptedUserInteraction when code asks a question no answer was scripted for.
// Deliberately not a bexlo::Exception, so that code catching library errors does not swallow it.
class EUnexpectedQuestion : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Scripted answers for tests. Install it for the duration of a test (the constructor installs
// it, the destructor puts the previous services back), queue one answer per question the code
// under test is expected to ask, then check Asked. A question of a kind whose queue is empty
// raises EUnexpectedQuestion naming the question; BreakRequested with no queued answer returns
// false (it is a poll, not a question).
class TScriptedUserInteraction : public TUserInteraction {
 public:
  enum class TKind { Message, Input, OpenFile, SaveFile, Directory, Break };

  // One question as the code asked it.
  struct TQuestion {
    TKind kind;
    std::string text;     // message text, input prompt, dialog title or directory caption
    std::string caption;  // input caption; file filter
    std::string value;    // initial input value; initial directory
    TMsgDlgType type = TMsgDlgType::mtCustom;
    TMsgDlgButtons buttons = 0;
  };

  TScriptedUserInteraction();
  ~TScriptedUserInteraction() override;
  TScriptedUserInteraction(const TScriptedUserInteraction&) = delete;
  TScriptedUserInteraction& operator=(const TScriptedUserInteraction&) = delete;

  // Queue answers: a modal result; an input text (nothing = Cancel); a chosen path (nothing =
  // Cancel); the answer of the next BreakRequested.
  void AnswerMessage(TModalResult result) { messages_.push_back(result); }
  void AnswerInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
  void AnswerOpenFile(std::optional<std::string> path) { open_files_.push_back(std::move(path)); }
  void AnswerSaveFile(std::optional<std::string> path) { save_files_.push_back(std::move(path)); }
  void AnswerDirectory(std::optional<std::string> path) { directories_.push_back(std::move(path)); }
  void AnswerBreak(bool stop) { breaks_.push_back(stop); }

  // Every question asked so far, in order (BreakRequested is recorded only when an answer was
  // queued for it).
  const std::vector<TQuestion>& Asked() const noexcept { return asked_; }
  int BeepCount() const noexcept { return beeps_; }
  // True when every queued answer was used.
  bool AllAnswered() const noexcept;

  TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialDir, bool mustExist) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialDir, const std::string& fileName,
                                            const std::string& defaultExt) override;
  std::optional<std::string> SelectDirectory(const std::string& caption, const std::string& initialDir) override;
  bool BreakRequested() override;
  void Beep() override { ++beeps_; }

 private:
  TUserInteraction* previous_ = nullptr;
  std::deque<TModalResult> messages_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<std::string>> open_files_;
  std::deque<std::optional<std::string>> save_files_;
  std::deque<std::optional<std::string>> directories_;
  std::deque<bool> breaks_;
  std::vector<TQuestion> asked_;
  int beeps_ = 0;
};

}  // namespace bexlo
