#include "kavrel/ui/message_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <strings.h>

#include "kavrel/ui/gui_thread.h"

namespace kavrel::ui {
namespace {

std::atomic<MessageBoxService*> installedService{nullptr};

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButton QtButton(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok: return QMessageBox::Ok;
    case MessageAnswer::Cancel: return QMessageBox::Cancel;
    case MessageAnswer::Yes: return QMessageBox::Yes;
    case MessageAnswer::No: return QMessageBox::No;
    case MessageAnswer::Retry: return QMessageBox::Retry;
    case MessageAnswer::Abort: return QMessageBox::Abort;
    case MessageAnswer::Ignore: return QMessageBox::Ignore;
  }
  return QMessageBox::Ok;
}

// A box that goes away unanswered (closed by the window system or by the program's
// own time limit) answers Cancel when it has that button, else its default.
MessageAnswer UnansweredAnswer(const MessageBoxRequest& request) {
  for (MessageAnswer a : ButtonsOf(request.buttons))
    if (a == MessageAnswer::Cancel) return a;
  return DefaultAnswer(request);
}

MessageAnswer ShowQtMessageBox(const MessageBoxRequest& request) {
  QMessageBox box(QtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton, request.owner);
  for (MessageAnswer a : ButtonsOf(request.buttons)) box.addButton(QtButton(a));
  box.setDefaultButton(QtButton(DefaultAnswer(request)));
  int pressed = box.exec();
  for (MessageAnswer a : ButtonsOf(request.buttons))
    if (pressed == QtButton(a)) return a;
  return UnansweredAnswer(request);
}

// An unattended box: the button KAVREL_UNATTENDED_ANSWER names ("ok", "cancel", "yes",
// "no", "retry", "abort", "ignore", any case) when the box has it, else the default.
MessageAnswer UnattendedAnswer(const MessageBoxRequest& request) {
  static constexpr std::pair<const char*, MessageAnswer> kNames[] = {
      {"ok", MessageAnswer::Ok},       {"cancel", MessageAnswer::Cancel}, {"yes", MessageAnswer::Yes},
      {"no", MessageAnswer::No},       {"retry", MessageAnswer::Retry},   {"abort", MessageAnswer::Abort},
      {"ignore", MessageAnswer::Ignore}};
  if (const char* wanted = std::getenv("KAVREL_UNATTENDED_ANSWER")) {
    for (const auto& [name, answer] : kNames) {
      if (::strcasecmp(wanted, name) != 0) continue;
      for (MessageAnswer a : ButtonsOf(request.buttons))
        if (a == answer) return a;
    }
  }
  return DefaultAnswer(request);
}

MessageAnswer ShowOnGuiThread(const MessageBoxRequest& request) {
  if (MessageBoxService* service = installedService.load()) return service->Show(request);
  if (Unattended()) return UnattendedAnswer(request);
  return ShowQtMessageBox(request);
}

void LogLine(const QString& text) {
  QString line = text;
  line.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
  std::fprintf(stderr, "message: %s\n", line.toUtf8().constData());
  std::fflush(stderr);
}

}  // namespace

std::vector<MessageAnswer> ButtonsOf(MessageButtons buttons) {
  using A = MessageAnswer;
  switch (buttons) {
    case MessageButtons::Ok: return {A::Ok};
    case MessageButtons::OkCancel: return {A::Ok, A::Cancel};
    case MessageButtons::YesNo: return {A::Yes, A::No};
    case MessageButtons::YesNoCancel: return {A::Yes, A::No, A::Cancel};
    case MessageButtons::RetryCancel: return {A::Retry, A::Cancel};
    case MessageButtons::AbortRetryIgnore: return {A::Abort, A::Retry, A::Ignore};
  }
  return {A::Ok};
}

MessageAnswer DefaultAnswer(const MessageBoxRequest& request) {
  std::vector<MessageAnswer> all = ButtonsOf(request.buttons);
  if (request.defaultButton >= 0 && static_cast<std::size_t>(request.defaultButton) < all.size())
    return all[static_cast<std::size_t>(request.defaultButton)];
  return all.front();
}

bool Unattended() {
  const char* v = std::getenv("KAVREL_UNATTENDED");
  return v && std::strcmp(v, "1") == 0;
}

void InstallMessageBoxService(MessageBoxService* service) { installedService.store(service); }

MessageAnswer ShowMessageBox(const MessageBoxRequest& request) {
  LogLine(request.text);
  if (OnGuiThread()) return ShowOnGuiThread(request);
  if (QCoreApplication* app = QCoreApplication::instance()) {
    // The owner may be gone by the time the GUI thread gets to the box.
    QPointer<QWidget> owner = request.owner;
    MessageBoxRequest copy = request;
    PostToGui(app, [copy, owner]() mutable {
      copy.owner = owner.data();
      ShowOnGuiThread(copy);
    });
  }
  return DefaultAnswer(request);
}

MessageAnswer ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) {
  MessageBoxRequest request;
  request.owner = owner;
  request.text = text;
  request.caption = caption;
  request.icon = icon;
  request.buttons = buttons;
  return ShowMessageBox(request);
}

void MessageBoxRecorder::Script(std::initializer_list<MessageAnswer> answers) {
  std::lock_guard lock(mutex_);
  script_.insert(script_.end(), answers.begin(), answers.end());
}

std::vector<MessageBoxRecorder::Shown> MessageBoxRecorder::shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

std::vector<QString> MessageBoxRecorder::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<QString> out;
  for (const Shown& s : shown_) out.push_back(s.text);
  return out;
}

void MessageBoxRecorder::Clear() {
  std::lock_guard lock(mutex_);
  shown_.clear();
  script_.clear();
}

MessageAnswer MessageBoxRecorder::Show(const MessageBoxRequest& request) {
  std::lock_guard lock(mutex_);
  MessageAnswer answer = DefaultAnswer(request);
  if (!script_.empty()) {
    answer = script_.front();
    script_.pop_front();
  }
  shown_.push_back(Shown{request.owner, request.text, request.caption, request.icon, request.buttons, answer});
  return answer;
}

}  // namespace kavrel::ui
