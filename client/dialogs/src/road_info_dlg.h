// The road, bridge or tunnel detail: the speeds in both directions of every section.
#pragma once

#include "detail_dlg.h"

class RoadInfoDlg : public DetailDlg {
 public:
  RoadInfoDlg(CKavrelClientPDAApp& app, QWidget* parent);

 protected:
  std::vector<DetailRow> RowsOf(const QString& name) const override;
};
