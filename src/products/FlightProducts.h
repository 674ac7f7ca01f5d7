#pragma once
// What a flight gives besides its points: the findings of the rules with the
// counts of missing values, the wind and ascent rate, the geographic track. The
// window, devirarav-check and the report read them here, and none computes its
// own. A product is computed when it is asked for, and again only after an
// input it depends on changed.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "check/CheckRules.h"
#include "flight/InfoFile.h"
#include "flight/Points.h"
#include "geo/TrackExport.h"
#include "history/EditHistory.h"
#include "open/Checks.h"
#include "thermo/Profile.h"
#include "wind/Wind.h"

namespace dv {

// What an edit or an open changed. Rows are inclusive; a file marked changed
// without rows changed as a whole (its times, or everything).
struct FlightChange {
  bool tu = false, crd = false, info = false;
  bool opened = false;  // a flight read anew: the originals and the radar's positions too
  int tuFirst = -1, tuLast = -1, crdFirst = -1, crdLast = -1;

  static FlightChange Opened() { return {true, true, true, true, -1, -1, -1, -1}; }
  void TouchTu(int first, int last);
  void TouchCrd(int first, int last);
};

// What a step of the history changes, done, undone or redone alike: a toggle or
// a flag step the flags of its rows, a time step the times of its file(s), a
// field the initial data.
FlightChange ChangeOf(const EditStep& step);

class FlightProducts {
 public:
  // All must outlive the products; they are read, never changed, here.
  // `orgInfo`: the original initial data, for the originals' levels (none: `info`).
  FlightProducts(const FlightPoints& points, const InitialData& info, const InitialData* orgInfo = nullptr);

  const FlightPoints& points() const { return points_; }
  const InitialData& info() const { return info_; }
  const InitialData& orgInfo() const { return orgInfo_; }

  void SetThresholds(const CheckThresholds& limits);
  const CheckThresholds& thresholds() const { return limits_; }
  void SetWindSettings(const WindSettings& settings);
  const WindSettings& windSettings() const { return wind_; }

  // After every edit, undo, redo and open: marks what depends on the change.
  void Changed(const FlightChange& change);

  // The rules over the current points, sorted by time.
  const std::vector<Finding>& Findings();
  // The missing-value marks and the values flagged on reading, point 0 left out.
  const ValueCounts& Counts();

  // A stamp that moves whenever the edited (original) wind would come out
  // otherwise: a page keeps the stamp of what it shows and refills when it differs.
  std::uint64_t EditedWindStamp() const { return std::max(crdAt_, windAt_); }
  std::uint64_t OriginalWindStamp() const { return std::max(openedAt_, windAt_); }
  // The wind of the edited points, each value straight to `emit` in row order
  // (nothing kept: a flight keeps only its radar positions, 12 bytes a row).
  void EditedWind(const std::function<void(const WindPoint&)>& emit);
  std::vector<WindPoint> EditedWind();
  void OriginalWind(const std::function<void(const WindPoint&)>& emit) const;
  int CrdRows() const { return points_.CrdPoints.Count(); }
  // The derived height of a coordinate row (m), NaN when it has none.
  float HeightOf(int row);
  std::size_t MemoryBytes() const { return track_.MemoryBytes(); }

  // The telemetry and coordinates merged by time with positions on the earth,
  // the wind and the profile's pressure, height and dew point.
  std::vector<TrackRecord> Track();

  // The profile of the edited points and its levels; none without P0.
  const Profile& Sounding();
  const std::vector<Level>& Levels();
  // Moves whenever the levels (or the originals' levels) would come out otherwise.
  std::uint64_t LevelsStamp() const { return std::max({tuAt_, crdAt_, infoAt_, windAt_, openedAt_}); }
  // The levels of the original points and initial data, once per open.
  const std::vector<Level>& OriginalLevels();
  // The profile of the original points and initial data, once per open.
  const Profile& OriginalSounding();
  std::uint64_t OriginalSoundingStamp() const { return std::max(openedAt_, windAt_); }

 private:
  void Derive();
  const FlightPoints& points_;
  const InitialData& info_;
  const InitialData& orgInfo_;
  CheckThresholds limits_;
  WindSettings wind_;
  // The generation each input last changed at, and each kept product was made at.
  std::uint64_t now_ = 1, tuAt_ = 1, crdAt_ = 1, infoAt_ = 1, openedAt_ = 1, limitsAt_ = 1, windAt_ = 1;
  std::uint64_t findingsMade_ = 0, coordinatesMade_ = 0, countsMade_ = 0, derivedAt_ = 0;
  std::uint64_t profileMade_ = 0, levelsMade_ = 0, originalLevelsMade_ = 0, originalProfileMade_ = 0;
  std::optional<ProfileTelemetry> telemetry_;  // made again only after a telemetry edit
  std::uint64_t telemetryMade_ = 0;
  // What of the profile the changes since it was made leave standing.
  bool profileWhole_ = true;
  double profileFrom_ = std::numeric_limits<double>::infinity();
  int profileFromRow_ = std::numeric_limits<int>::max();
  Profile profile_, originalProfile_;
  std::vector<Level> levels_, originalLevels_;
  CoordinateChecks coordinates_;
  std::vector<Finding> findings_;
  ValueCounts counts_;
  WindTrack track_;
};

}  // namespace dv
