// The one way a program shows a message box. Programs get QMessageBox; tests install
// a MessageBoxRecorder that keeps every box and answers as the test scripts it.
// Every box shown is also written as one line "message: TEXT" on standard error, and
// with KAVREL_UNATTENDED=1 (and no service installed) it is not shown at all but
// answered with its default button, so unattended runs never stop at a box
// (KAVREL_UNATTENDED_ANSWER=cancel, =no, ... picks that button instead where a box has it).
#pragma once

#include <QString>

#include <deque>
#include <mutex>
#include <vector>

class QWidget;

namespace kavrel::ui {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct MessageBoxRequest {
  QWidget* owner = nullptr;  // nullptr: a box without owner
  QString text;
  QString caption;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  int defaultButton = 0;  // index among the buttons, in the order of their names
};

// The buttons of a set, in order, and the answer of the default button (the first
// when defaultButton is out of range).
std::vector<MessageAnswer> ButtonsOf(MessageButtons buttons);
MessageAnswer DefaultAnswer(const MessageBoxRequest& request);

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Called on the GUI thread only.
  virtual MessageAnswer Show(const MessageBoxRequest& request) = 0;
};

// Shows a box and returns the button that closed it. Off the GUI thread the box is
// posted to the GUI thread and the caller gets the default answer at once: a worker
// never waits for the user (nor for the GUI thread).
MessageAnswer ShowMessageBox(const MessageBoxRequest& request);
MessageAnswer ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                             MessageIcon icon = MessageIcon::Information,
                             MessageButtons buttons = MessageButtons::Ok);

// Installs `service` (not owned) for the process; nullptr restores QMessageBox.
void InstallMessageBoxService(MessageBoxService* service);

// True when KAVREL_UNATTENDED=1.
bool Unattended();

// A service for tests: keeps what each box showed and answers from a script (the
// default button once the script is used up).
class MessageBoxRecorder : public MessageBoxService {
 public:
  struct Shown {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer answer = MessageAnswer::Ok;
  };

  MessageBoxRecorder() { InstallMessageBoxService(this); }
  ~MessageBoxRecorder() override { InstallMessageBoxService(nullptr); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  // The answers of the next boxes, in order.
  void Script(std::initializer_list<MessageAnswer> answers);
  std::vector<Shown> shown() const;
  // Only the texts, in order.
  std::vector<QString> texts() const;
  void Clear();

  MessageAnswer Show(const MessageBoxRequest& request) override;

 private:
  mutable std::mutex mutex_;
  std::deque<MessageAnswer> script_;
  std::vector<Shown> shown_;
};

}  // namespace kavrel::ui
