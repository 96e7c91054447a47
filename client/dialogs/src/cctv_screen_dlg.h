// One camera's live video alone on a blue background. The video starts 300 ms after
// the dialog opens and stops when it closes.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

class CKavrelClientPDAApp;
class VideoArea;
namespace kavrel::ui {
class ViewTimers;
}

class CctvScreenDlg : public QDialog {
 public:
  static constexpr unsigned kStartTimer = 1;
  static constexpr unsigned kStartDelayMs = 300;

  CctvScreenDlg(CKavrelClientPDAApp& app, QWidget* parent, std::uint32_t cameraId);
  ~CctvScreenDlg() override;
  CctvScreenDlg(const CctvScreenDlg&) = delete;
  CctvScreenDlg& operator=(const CctvScreenDlg&) = delete;

  std::uint32_t cameraId() const { return cameraId_; }
  VideoArea* videoArea() const { return videoArea_; }
  kavrel::ui::ViewTimers& timers() { return *timers_; }

  void done(int result) override;

 private:
  void OnTimer(unsigned id);
  void Leave();

  CKavrelClientPDAApp& app_;
  std::uint32_t cameraId_;
  bool left_ = false;
  VideoArea* videoArea_ = nullptr;
  kavrel::ui::ViewTimers* timers_ = nullptr;
};
