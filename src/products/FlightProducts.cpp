#include "products/FlightProducts.h"

#include <algorithm>
#include <limits>

#include "check/PhysicsRules.h"

namespace dv {

namespace {
void Widen(int& first, int& last, int from, int to) {
  first = first < 0 ? from : std::min(first, from);
  last = std::max(last, to);
}
}  // namespace

void FlightChange::TouchTu(int first, int last) {
  tu = true;
  Widen(tuFirst, tuLast, first, last);
}

void FlightChange::TouchCrd(int first, int last) {
  crd = true;
  Widen(crdFirst, crdLast, first, last);
}

FlightChange ChangeOf(const EditStep& step) {
  using Kind = EditStep::Kind;
  FlightChange c;
  switch (step.kind) {
    case Kind::ToggleTelemetry: c.TouchTu(step.range.StartRow, step.range.EndRow); break;
    case Kind::ToggleCoordinates: c.TouchCrd(step.range.StartRow, step.range.EndRow); break;
    case Kind::CorrectTelemetryTime: c.tu = true; break;
    case Kind::CorrectCoordinateTime: c.crd = true; break;
    case Kind::TimeShift: c.tu = c.crd = true; break;
    case Kind::SetFlags:
      for (const FlagChange& f : step.flags) f.crd ? c.TouchCrd(f.row, f.row) : c.TouchTu(f.row, f.row);
      break;
    case Kind::Field: c.info = true; break;
  }
  return c;
}

FlightProducts::FlightProducts(const FlightPoints& points, const InitialData& info, const InitialData* orgInfo)
    : points_(points), info_(info), orgInfo_(orgInfo ? *orgInfo : info) {}

void FlightProducts::SetThresholds(const CheckThresholds& limits) {
  limits_ = limits;
  limitsAt_ = ++now_;
}

void FlightProducts::SetWindSettings(const WindSettings& settings) {
  wind_ = settings;
  windAt_ = ++now_;
}

void FlightProducts::Changed(const FlightChange& change) {
  ++now_;
  if (change.tu) tuAt_ = now_;
  if (change.info) infoAt_ = now_;
  // How much of the profile stands: flags further up leave the points below as
  // they were. New times, new initial data or a new flight change it all, and
  // so may a telemetry flag where the telemetry's times run back.
  if (change.opened || change.info || (change.tu && change.tuFirst < 0) || (change.crd && change.crdFirst < 0)) {
    profileWhole_ = true;
  } else {
    if (change.tu) {
      double t = profileFrom_;
      for (int r = change.tuFirst; r <= change.tuLast && r < points_.TuPoints.Count(); ++r)
        t = std::min(t, static_cast<double>(points_.TuPoints[r].Time));
      profileFrom_ = std::min(profileFrom_, t - kProfileTuGap);
    }
    if (change.crd) profileFromRow_ = std::min(profileFromRow_, change.crdFirst);
  }
  if (change.crd) crdAt_ = now_;
  if (change.opened) openedAt_ = now_;
}

const std::vector<Finding>& FlightProducts::Findings() {
  if (findingsMade_ < std::max({tuAt_, crdAt_, limitsAt_, infoAt_, windAt_})) {
    // A telemetry edit leaves the coordinates' rules as they were.
    if (coordinatesMade_ < std::max(crdAt_, limitsAt_)) {
      coordinates_ = CoordinateChecks(points_.CrdPoints, limits_);
      coordinatesMade_ = now_;
    }
    findings_ = RunChecks(points_.TuPoints, coordinates_, limits_);
    // The physics rules on the sounding the edits make.
    for (const Finding& f : PhysicsChecks(Sounding(), points_.TuPoints, info_, Levels(), limits_)) findings_.push_back(f);
    SortFindings(findings_);
    findingsMade_ = now_;
  }
  return findings_;
}

const ValueCounts& FlightProducts::Counts() {
  if (countsMade_ < std::max(tuAt_, crdAt_)) {
    counts_ = CountValues(points_.TuPoints, points_.CrdPoints);
    countsMade_ = now_;
  }
  return counts_;
}

// The radar's positions change only with an open: an edit moves times and
// flags, never a range or an angle.
void FlightProducts::Derive() {
  if (derivedAt_ >= openedAt_ && track_.DerivedFor(points_.CrdPoints)) return;
  track_.Derive(points_.CrdPoints);
  derivedAt_ = now_;
}

void FlightProducts::EditedWind(const std::function<void(const WindPoint&)>& emit) {
  Derive();
  track_.Compute(points_.CrdPoints, wind_, emit);
}

std::vector<WindPoint> FlightProducts::EditedWind() {
  std::vector<WindPoint> out;
  out.reserve(static_cast<std::size_t>(points_.CrdPoints.Count()));
  EditedWind([&out](const WindPoint& p) { out.push_back(p); });
  return out;
}

void FlightProducts::OriginalWind(const std::function<void(const WindPoint&)>& emit) const {
  WindTrack original;
  original.Compute(points_.CrdOrgPoints, wind_, emit);
}

float FlightProducts::HeightOf(int row) {
  Derive();
  return track_.HeightOf(row);
}

std::vector<TrackRecord> FlightProducts::Track() {
  std::vector<TrackRecord> track = BuildTrack(points_, info_, EditedWind());
  AddProfile(track, Sounding());
  return track;
}

const Profile& FlightProducts::Sounding() {
  if (profileMade_ < std::max({tuAt_, crdAt_, infoAt_, windAt_})) {
    Derive();
    if (!telemetry_ || telemetryMade_ < tuAt_) {
      telemetry_.emplace(points_.TuPoints);
      telemetryMade_ = now_;
    }
    // Where the telemetry's times run back a flag may move what the channels read
    // before it: looked at here, not on every edit.
    if (profileFrom_ < std::numeric_limits<double>::infinity() && FirstTimeFailure(points_.TuPoints))
      profileWhole_ = true;
    if (profileWhole_ || profileMade_ == 0)
      profile_ = ComputeProfile(*telemetry_, points_.CrdPoints, info_, {}, &track_);
    else
      profile_ = ComputeProfile(*telemetry_, points_.CrdPoints, info_, {}, &track_, &profile_, profileFrom_,
                                profileFromRow_);
    profileWhole_ = false;
    profileFrom_ = std::numeric_limits<double>::infinity();
    profileFromRow_ = std::numeric_limits<int>::max();
    // The wind streamed onto the points: no row's wind is kept twice.
    std::size_t cursor = 0;
    EditedWind([this, &cursor](const WindPoint& w) { AttachWind(profile_, w, cursor); });
    profileMade_ = now_;
  }
  return profile_;
}

const std::vector<Level>& FlightProducts::Levels() {
  if (levelsMade_ < std::max({tuAt_, crdAt_, infoAt_, windAt_})) {
    levels_ = ComputeLevels(Sounding(), points_.TuPoints, info_);
    levelsMade_ = now_;
  }
  return levels_;
}

const std::vector<Level>& FlightProducts::OriginalLevels() {
  if (originalLevelsMade_ < OriginalSoundingStamp()) {
    originalLevels_ = ComputeLevels(OriginalSounding(), points_.TuOrgPoints, orgInfo_);
    originalLevelsMade_ = now_;
  }
  return originalLevels_;
}

const Profile& FlightProducts::OriginalSounding() {
  if (originalProfileMade_ < OriginalSoundingStamp()) {
    std::vector<WindPoint> wind;
    OriginalWind([&wind](const WindPoint& p) { wind.push_back(p); });
    originalProfile_ = ComputeProfile(points_.TuOrgPoints, points_.CrdOrgPoints, orgInfo_, wind);
    originalProfileMade_ = now_;
  }
  return originalProfile_;
}

}  // namespace dv
