// The fastest or shortest route's detail: the speed and travel time of every leg.
#pragma once

#include "detail_dlg.h"

class RouteItem;

class RouteInfoDlg : public DetailDlg {
 public:
  RouteInfoDlg(CKavrelClientPDAApp& app, QWidget* parent);
  // The name a route goes by in the list: origin -> destination.
  static QString NameOf(const RouteItem& route);

 protected:
  std::vector<DetailRow> RowsOf(const QString& name) const override;
};
