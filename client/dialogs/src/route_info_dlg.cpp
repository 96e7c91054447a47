#include "route_info_dlg.h"

#include "kavrel_client_pda_app.h"
#include "viewer_texts.h"

RouteInfoDlg::RouteInfoDlg(CKavrelClientPDAApp& app, QWidget* parent)
    : DetailDlg(app, parent, viewer::kRouteCaption, true) {
  const auto& routes = app.trafficManager.routes;
  QStringList names;
  for (const auto& item : routes.Displayed()) names << NameOf(*item);
  const RouteItem* shown = routes.Shown();
  Init(names, shown ? NameOf(*shown) : QString());
}

QString RouteInfoDlg::NameOf(const RouteItem& route) {
  return route.originName + QStringLiteral(" -> ") + route.destinationName;
}

std::vector<DetailRow> RouteInfoDlg::RowsOf(const QString& name) const {
  const CTrafficManager& tm = app_.trafficManager;
  for (const auto& item : tm.routes.Displayed())
    if (NameOf(*item) == name) {
      if (!item->records) return {};
      return RouteRows(*item->records, [&tm](const QString& place) { return tm.CameraIdByName(place); });
    }
  return {};
}
