#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>
#include <QWidget>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "kavrel/ui/gui_thread.h"
#include "kavrel/ui/message_box.h"
#include "kavrel/ui/shell.h"
#include "kavrel/ui/view_timers.h"
#include "qt_test_support.h"

namespace kavrel::ui {
namespace {

using testing::ProcessUntil;

TEST(MessageBox, RecorderKeepsEveryBoxAndAnswersAsScripted) {
  MessageBoxRecorder recorder;
  QWidget owner;
  recorder.Script({MessageAnswer::Cancel});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ShowMessageBox(&owner, "더 보시겠습니까", "교통정보센터 티커", MessageIcon::Question,
                           MessageButtons::OkCancel),
            MessageAnswer::Cancel);
  // The script is used up: the default (first) button answers.
  EXPECT_EQ(ShowMessageBox(nullptr, "두 줄\r\n텍스트", "캡션", MessageIcon::Information, MessageButtons::YesNo),
            MessageAnswer::Yes);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "message: 더 보시겠습니까\nmessage: 두 줄 텍스트\n");

  auto shown = recorder.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].owner, &owner);
  EXPECT_EQ(shown[0].text, "더 보시겠습니까");
  EXPECT_EQ(shown[0].caption, "교통정보센터 티커");
  EXPECT_EQ(shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(shown[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(shown[1].owner, nullptr);
  EXPECT_EQ(shown[1].answer, MessageAnswer::Yes);
}

TEST(MessageBox, DefaultButtonIsTheChosenOneOrTheFirst) {
  MessageBoxRequest r;
  r.buttons = MessageButtons::AbortRetryIgnore;
  EXPECT_EQ(DefaultAnswer(r), MessageAnswer::Abort);
  r.defaultButton = 2;
  EXPECT_EQ(DefaultAnswer(r), MessageAnswer::Ignore);
  r.defaultButton = 3;  // out of range
  EXPECT_EQ(DefaultAnswer(r), MessageAnswer::Abort);
}

TEST(MessageBox, UnattendedRunsAnswerWithTheDefaultAndLeaveATrace) {
  qputenv("KAVREL_UNATTENDED", "1");
  ::testing::internal::CaptureStderr();
  // No service installed: a real QMessageBox would block; unattended it is not shown.
  MessageBoxRequest r;
  r.text = "서버와 연결에 실패했습니다.";
  r.buttons = MessageButtons::YesNo;
  r.defaultButton = 1;
  EXPECT_EQ(ShowMessageBox(r), MessageAnswer::No);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "message: 서버와 연결에 실패했습니다.\n");
  // A chosen answer is given where the box has that button.
  qputenv("KAVREL_UNATTENDED_ANSWER", "Yes");
  EXPECT_EQ(ShowMessageBox(r), MessageAnswer::Yes);
  r.buttons = MessageButtons::OkCancel;
  r.defaultButton = 0;
  EXPECT_EQ(ShowMessageBox(r), MessageAnswer::Ok);
  qputenv("KAVREL_UNATTENDED_ANSWER", "cancel");
  EXPECT_EQ(ShowMessageBox(r), MessageAnswer::Cancel);
  qunsetenv("KAVREL_UNATTENDED_ANSWER");
  qunsetenv("KAVREL_UNATTENDED");
  EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
              !qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
}

TEST(MessageBox, QtBoxAnswersWithTheButtonPressed) {
  // The program's own service: a real QMessageBox, closed by a button press.
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "본문");
    EXPECT_EQ(box->windowTitle(), "제목");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    box->button(QMessageBox::No)->click();
  });
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ShowMessageBox(nullptr, "본문", "제목", MessageIcon::Warning, MessageButtons::YesNo), MessageAnswer::No);
  ::testing::internal::GetCapturedStderr();
}

TEST(MessageBox, AWorkerNeverWaitsForTheBox) {
  MessageBoxRecorder recorder;
  recorder.Script({MessageAnswer::Cancel});
  std::atomic<int> answer{-1};
  ::testing::internal::CaptureStderr();
  std::thread worker([&] {
    answer = static_cast<int>(ShowMessageBox(nullptr, "정보 받기 실패 ", "교통정보 티커", MessageIcon::Information,
                                             MessageButtons::OkCancel));
  });
  worker.join();  // returns without the GUI thread having run
  EXPECT_EQ(answer.load(), static_cast<int>(MessageAnswer::Ok));
  EXPECT_TRUE(recorder.shown().empty());
  // The box itself shows on the GUI thread.
  ASSERT_TRUE(ProcessUntil([&] { return recorder.shown().size() == 1; }));
  EXPECT_EQ(recorder.shown()[0].text, "정보 받기 실패 ");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "message: 정보 받기 실패 \n");
}

TEST(ViewTimers, ByIdRestartKillAndManualFiring) {
  QWidget window;
  std::vector<unsigned> fired;
  ViewTimers timers(&window, [&](unsigned id) { fired.push_back(id); });
  timers.SetManual(true);
  timers.SetTimer(1, 10);
  timers.SetTimer(12, 3000);
  timers.SetTimer(1, 50);  // same id: new period
  EXPECT_EQ(timers.Interval(1), 50u);
  EXPECT_EQ(timers.Interval(12), 3000u);
  EXPECT_TRUE(timers.Fire(12));
  EXPECT_TRUE(timers.Fire(12));  // runs until killed
  timers.KillTimer(12);
  EXPECT_FALSE(timers.Interval(12));
  EXPECT_FALSE(timers.Fire(12));
  EXPECT_EQ(fired, (std::vector<unsigned>{12, 12}));
}

TEST(ViewTimers, RealTimersRepeatUntilKilledAndWorkersPostThem) {
  QWidget window;
  std::vector<unsigned> fired;
  ViewTimers* timers = nullptr;
  timers = new ViewTimers(&window, [&](unsigned id) {
    fired.push_back(id);
    if (id == 7 && fired.size() == 3) timers->KillTimer(7);  // a handler may kill its own timer
  });
  std::thread worker([&] { timers->PostSetTimer(7, 1); });
  worker.join();
  EXPECT_FALSE(timers->Interval(7));  // not before the GUI thread ran the post
  ASSERT_TRUE(ProcessUntil([&] { return timers->Interval(7).has_value(); }));
  ASSERT_TRUE(ProcessUntil([&] { return !timers->Interval(7).has_value(); }));
  EXPECT_EQ(fired, (std::vector<unsigned>{7, 7, 7}));
}

TEST(GuiThread, PostedWorkRunsOnTheGuiThreadAndIsDroppedWithItsContext) {
  auto* context = new QObject;
  std::atomic<bool> ranOnGui{false};
  std::atomic<int> runs{0};
  std::thread worker([&] {
    EXPECT_FALSE(OnGuiThread());
    PostToGui(context, [&] {
      ranOnGui = OnGuiThread();
      ++runs;
    });
  });
  worker.join();
  ASSERT_TRUE(ProcessUntil([&] { return runs.load() == 1; }));
  EXPECT_TRUE(ranOnGui.load());
  PostToGui(context, [&] { ++runs; });
  delete context;
  QCoreApplication::processEvents();
  EXPECT_EQ(runs.load(), 1);
}

TEST(Shell, FullScreenMovesTheFrameAndHidesTheCommandBar) {
  QMainWindow frame;
  auto* bar = new QToolBar(&frame);
  frame.addToolBar(Qt::BottomToolBarArea, bar);
  frame.setGeometry(0, 26, 240, 268);
  frame.show();
  SetFullScreen(&frame, bar, true);
  EXPECT_EQ(frame.geometry(), QRect(0, 0, 240, 320));
  EXPECT_TRUE(bar->isHidden());
  SetFullScreen(&frame, bar, false);
  EXPECT_EQ(frame.geometry(), QRect(0, 26, 240, 268));
  EXPECT_FALSE(bar->isHidden());
}

TEST(Shell, NavBarTitleIsTheWindowTitleAndTheCursorFollowsEveryThread) {
  QWidget frame;
  auto* child = new QWidget(&frame);
  SetNavBarTitle(child, "설정");
  EXPECT_EQ(frame.windowTitle(), "설정");

  InstallCursorHook();
  SetWaitCursor();
  EXPECT_EQ(CurrentCursor(), CursorShape::Wait);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  SetWaitCursor();  // not stacked: one arrow ends it
  std::thread worker([] { SetArrowCursor(); });
  worker.join();
  EXPECT_EQ(CurrentCursor(), CursorShape::Arrow);
  ASSERT_TRUE(ProcessUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));
  SetCursorHook(nullptr);
}

}  // namespace
}  // namespace kavrel::ui
