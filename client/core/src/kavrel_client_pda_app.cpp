#include "kavrel_client_pda_app.h"

#include "kavrel_client_pda_view.h"
#include "main_frame.h"

CKavrelClientPDAApp::CKavrelClientPDAApp() = default;

CKavrelClientPDAApp::~CKavrelClientPDAApp() { frame_.reset(); }

bool CKavrelClientPDAApp::InitInstance(const std::function<void(CMainFrame&)>& beforeStart) {
  frame_ = std::make_unique<CMainFrame>(*this);
  frame_->show();
  if (beforeStart) beforeStart(*frame_);
  frame_->view()->OnInitialUpdate();
  return true;
}
