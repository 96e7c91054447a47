#include "road_info_dlg.h"

#include "kavrel_client_pda_app.h"
#include "viewer_texts.h"

RoadInfoDlg::RoadInfoDlg(CKavrelClientPDAApp& app, QWidget* parent)
    : DetailDlg(app, parent, viewer::kRoadCaption, false) {
  const auto& roads = app.trafficManager.roads;
  QStringList names;
  for (const auto& item : roads.Displayed()) names << item->name;
  const RoadItem* shown = roads.Shown();
  Init(names, shown ? shown->name : QString());
}

std::vector<DetailRow> RoadInfoDlg::RowsOf(const QString& name) const {
  const CTrafficManager& tm = app_.trafficManager;
  for (const auto& item : tm.roads.Displayed())
    if (item->name == name) {
      if (!item->records) return {};
      return RoadRows(*item->records, [&tm](const QString& place) { return tm.CameraIdByName(place); });
    }
  return {};
}
