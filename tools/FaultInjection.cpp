#include "FaultInjection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "SampleAscent.h"
#include "check/PhysicsRules.h"

namespace dvtools {

namespace {

using dv::CheckRule;

constexpr double kRadToDeg = 180.0 / std::numbers::pi;

class Dice {
 public:
  explicit Dice(std::uint32_t seed) : rnd_(seed) {}
  double Between(double a, double b) { return a + (b - a) * rnd_.Uniform(); }
  int Int(int a, int b) { return std::min(b, a + static_cast<int>((b - a + 1) * rnd_.Uniform())); }
  double Sign() { return rnd_.Uniform() < 0.5 ? -1.0 : 1.0; }

 private:
  SampleRandom rnd_;
};

// Adds `delta` metres to the height the radar gives for point p, by the elevation.
void RaiseBy(dv::CrdPoint& p, double delta) {
  const double across = p.SR * std::cos(p.El / kRadToDeg);
  if (across > 1) p.El += delta / across * kRadToDeg;
}

// A humidity shift that keeps the values inside 0..100 where it can.
double TowardsMiddle(const dv::TuArray& tu, int first, int last, double size) {
  double sum = 0;
  for (int i = first; i <= last; ++i) sum += tu[i].U;
  return sum / (last - first + 1) > 50 ? -size : size;
}

// A range spike of 300-3000 m that leaves the range positive (a range below -99 m
// would be a missing-value mark, not a spike).
double RangeSpike(Dice& dice, double range) {
  const double sign = dice.Sign(), size = dice.Between(300, 3000);
  return sign > 0 ? size : -std::min(size, 0.8 * range);
}

struct Slot {
  int from, to;  // rows the fault may take, margins left out
};

}  // namespace

std::vector<InjectedFault> InjectFaults(dv::TuArray& tu, dv::CrdArray& crd, std::uint32_t seed) {
  Dice dice(seed);
  std::vector<InjectedFault> faults;
  // Stretches of 240 rows with 50 rows of margin on each side; the clock
  // fault runs to the end, so it takes the last stretch.
  std::vector<Slot> slots;
  for (int a = 200; a + 240 <= 6300; a += 240) {
    if (a + 240 > 4150 && a < 4350) continue;
    slots.push_back({a + 50, a + 190});
  }
  // The harder forms, as rules of their own here; put back to their rules below.
  constexpr int kSaturation = dv::kRuleCount, kDeadT = kSaturation + 1, kAfterDropout = kSaturation + 2,
                kFarAngle = kSaturation + 3;
  static constexpr const char* kKindNames[] = {"U у насыщения", "T = ±99", "Выброс дальности у пропуска",
                                               "Выброс угла места вдали"};
  std::vector<int> kinds;
  for (int r = 0; r < dv::kRuleCount; ++r) {
    const auto rule = static_cast<CheckRule>(r);
    if (rule != CheckRule::TimeDrift && rule != CheckRule::TuTimeFailure && rule != CheckRule::CrdTimeFailure &&
        !IsPhysicsRule(rule))
      kinds.push_back(r);
  }
  for (int k = kSaturation; k <= kFarAngle; ++k) kinds.push_back(k);
  // Shuffle the kinds over the stretches; the far angle spike takes the last
  // stretch, where the range is longest.
  for (std::size_t i = kinds.size(); i > 1; --i) std::swap(kinds[i - 1], kinds[static_cast<std::size_t>(dice.Int(0, static_cast<int>(i) - 1))]);
  const std::size_t used = std::min(kinds.size(), slots.size());
  std::swap(*std::find(kinds.begin(), kinds.end(), kFarAngle), kinds[used - 1]);
  std::vector<std::pair<int, int>> gaps;  // (row, records removed), applied last
  for (std::size_t k = 0; k < used; ++k) {
    const Slot s = slots[k];
    const int kind = kinds[k];
    int first = dice.Int(s.from, s.from + 60);
    int last = first;
    if (kind >= kSaturation) {
      const char* name = kKindNames[kind - kSaturation];
      if (kind == kSaturation) {
        // The channel wetted or iced: 100 % from one record on, for 70-150 s.
        last = first + dice.Int(70, 150);
        for (int i = first; i <= last; ++i) tu[i].U = 100.0f;
        faults.push_back({CheckRule::UStuck, first, last, name});
      } else if (kind == kDeadT) {
        last = first + dice.Int(0, 1);
        for (int i = first; i <= last; ++i) tu[i].T = dice.Sign() > 0 ? 99.0f : -99.0f;
        faults.push_back({CheckRule::TRange, first, last, name});
      } else if (kind == kAfterDropout) {
        // 20-60 records lost just before a range spike: after the removal the
        // spike is the first record after the dropout.
        const int count = dice.Int(20, 60);
        crd[first].SR += RangeSpike(dice, crd[first].SR);
        gaps.emplace_back(-(first - count), count);
        faults.push_back({CheckRule::SRSpike, first, first, name});
      } else {
        // Far out, a small angle is a long way: 200-1000 m across the line of sight.
        last = first + dice.Int(0, 1);
        const double size = dice.Sign() * dice.Between(200, 1000) / crd[first].SR * kRadToDeg;
        for (int i = first; i <= last; ++i) crd[i].El += size;
        faults.push_back({CheckRule::ElSpike, first, last, name});
      }
      continue;
    }
    const auto rule = static_cast<CheckRule>(kind);
    switch (rule) {
      case CheckRule::TSpike: {
        last = first + dice.Int(0, 2);
        const double size = dice.Sign() * dice.Between(3, 10);
        for (int i = first; i <= last; ++i) tu[i].T += static_cast<float>(size);
        break;
      }
      case CheckRule::USpike: {
        last = first + dice.Int(0, 2);
        const double size = TowardsMiddle(tu, first, last, dice.Between(15, 40));
        for (int i = first; i <= last; ++i) tu[i].U += static_cast<float>(size);
        break;
      }
      case CheckRule::TJump: {
        last = first + dice.Int(30, 110);
        const double size = dice.Sign() * dice.Between(2.5, 6);
        for (int i = first; i <= last; ++i) tu[i].T += static_cast<float>(size);
        last = first;  // the step in
        break;
      }
      case CheckRule::UJump: {
        const int end = first + dice.Int(30, 110);
        const double size = TowardsMiddle(tu, first, end, dice.Between(25, 40));
        for (int i = first; i <= end; ++i) tu[i].U += static_cast<float>(size);
        break;
      }
      case CheckRule::TStuck:
      case CheckRule::UStuck: {
        last = first + dice.Int(70, 150);
        for (int i = first + 1; i <= last; ++i) {
          if (rule == CheckRule::TStuck) tu[i].T = tu[first].T;
          else tu[i].U = tu[first].U;
        }
        break;
      }
      case CheckRule::TRange: {
        last = first + dice.Int(0, 1);
        for (int i = first; i <= last; ++i)
          tu[i].T = static_cast<float>(dice.Sign() > 0 ? dice.Between(55, 95) : dice.Between(-98.5, -96));
        break;
      }
      case CheckRule::SRSpike: {
        last = first + dice.Int(0, 2);
        const double size = RangeSpike(dice, crd[first].SR);
        for (int i = first; i <= last; ++i) crd[i].SR += size;
        break;
      }
      case CheckRule::SRJump: {
        const int end = first + dice.Int(20, 110);
        const double size = dice.Sign() * dice.Between(300, 2000);
        for (int i = first; i <= end; ++i) crd[i].SR += size;
        break;
      }
      case CheckRule::AzSpike:
      case CheckRule::ElSpike: {
        // An angle off by what moves the sonde 200-1000 m across the line of sight.
        last = first + dice.Int(0, 1);
        const double metres = dice.Sign() * dice.Between(200, 1000);
        const double across = rule == CheckRule::AzSpike ? crd[first].SR * std::cos(crd[first].El / kRadToDeg)
                                                         : crd[first].SR;
        const double size = metres / across * kRadToDeg;
        for (int i = first; i <= last; ++i) (rule == CheckRule::AzSpike ? crd[i].Az : crd[i].El) += size;
        break;
      }
      case CheckRule::URange: {
        last = first + dice.Int(0, 1);
        for (int i = first; i <= last; ++i) tu[i].U = static_cast<float>(dice.Between(106, 114));
        break;
      }
      case CheckRule::AscentRate: {
        // The height climbing 8-12 m/s too fast, or 4.2-4.8 m/s too slow, for
        // two minutes, and staying that far off afterwards.
        last = first + 120;
        const double extra = dice.Sign() > 0 ? dice.Between(8, 12) : -dice.Between(4.2, 4.8);
        for (int i = first; i < crd.Count(); ++i) RaiseBy(crd[i], extra * std::min(i - first, 120));
        break;
      }
      case CheckRule::HeightFall: {
        last = first + 120;
        const double depth = dice.Between(800, 1200);
        for (int i = first; i <= last; ++i) RaiseBy(crd[i], -depth * std::sin((i - first) / 120.0 * std::numbers::pi));
        break;
      }
      case CheckRule::BelowHorizon: {
        last = first + dice.Int(0, 2);
        for (int i = first; i <= last; ++i) crd[i].El = -dice.Between(0.2, 2);
        break;
      }
      case CheckRule::TuGap:
      case CheckRule::CrdGap:
        gaps.emplace_back(rule == CheckRule::TuGap ? first : -first, dice.Int(15, 60));
        continue;  // recorded once the rows are removed
      case CheckRule::TuRepeat:
        last = first + dice.Int(0, 1);
        for (int i = first; i <= last; ++i) tu[i].Time = tu[first - 1].Time;
        --first;
        break;
      case CheckRule::CrdRepeat:
        last = first + dice.Int(0, 1);
        for (int i = first; i <= last; ++i) crd[i].Time = crd[first - 1].Time;
        --first;
        break;
      case CheckRule::TimeDrift:
      case CheckRule::TuTimeFailure:
      case CheckRule::CrdTimeFailure:
      case CheckRule::Superadiabatic:
      case CheckRule::SharpInversion:
      case CheckRule::Supersaturation:
      case CheckRule::WindShear:
        break;
    }
    faults.push_back({rule, first, last});
  }
  // The telemetry clock running 0.3-1 % fast over the last stretch.
  {
    const int from = dice.Int(6350, 6450);
    const double rate = dice.Between(0.003, 0.01);
    const double base = tu[from].Time;
    for (int i = from; i < tu.Count(); ++i) tu[i].Time = static_cast<float>(base + (tu[i].Time - base) * (1 + rate));
    faults.push_back({CheckRule::TimeDrift, from, tu.Count() - 1});
  }
  // Records removed last, from the end backwards, so that the rows of the
  // other faults move by what was removed before them.
  std::sort(gaps.begin(), gaps.end(), [](auto a, auto b) { return std::abs(a.first) > std::abs(b.first); });
  for (const auto& [signedRow, count] : gaps) {
    const bool inTu = signedRow > 0;
    const int row = std::abs(signedRow);
    for (int k = 0; k < count; ++k) {
      if (inTu) tu.Delete(row);
      else crd.Delete(row);
    }
    for (InjectedFault& f : faults) {
      const bool sameFile = dv::InfoOf(f.rule).file == (inTu ? dv::CheckFile::Tu : dv::CheckFile::Crd);
      if (!sameFile || f.firstRow < row) continue;
      f.firstRow -= count;
      f.lastRow -= count;
    }
    faults.push_back({inTu ? CheckRule::TuGap : CheckRule::CrdGap, row - 1, row});
  }
  return faults;
}

bool IsPhysicsRule(dv::CheckRule rule) {
  return rule == CheckRule::Superadiabatic || rule == CheckRule::SharpInversion ||
         rule == CheckRule::Supersaturation || rule == CheckRule::WindShear;
}

std::vector<InjectedFault> InjectPhysicsFaults(dv::TuArray& tu, dv::CrdArray& crd, std::uint32_t seed) {
  Dice dice(seed * 7919u + 17u);
  std::vector<InjectedFault> faults;
  // Four stretches of 300 rows of their own: the dead humidity sensor in the
  // troposphere (before 1,800 s), the others anywhere but the radar dropout.
  const int low = dice.Int(0, 4);  // one of the stretches 300-1800
  std::vector<int> high;
  for (int a = 1800; a + 300 <= 6300; a += 300)
    if (a + 300 <= 4150 || a >= 4350) high.push_back(a);
  for (std::size_t i = high.size(); i > 1; --i)
    std::swap(high[i - 1], high[static_cast<std::size_t>(dice.Int(0, static_cast<int>(i) - 1))]);
  const int starts[] = {300 + 300 * low, high[0], high[1], high[2]};
  const CheckRule rules[] = {CheckRule::Supersaturation, CheckRule::Superadiabatic, CheckRule::SharpInversion,
                             CheckRule::WindShear};
  for (int k = 0; k < 4; ++k) {
    const int first = starts[k] + dice.Int(40, 80);
    int last = first;
    switch (rules[k]) {
      case CheckRule::Supersaturation: {
        // A dead humidity sensor: 0-1 % for 150-250 s.
        last = first + dice.Int(150, 250);
        for (int i = first; i <= last; ++i) tu[i].U = static_cast<float>(dice.Between(0, 1));
        break;
      }
      case CheckRule::Superadiabatic: {
        // A warm or cold blob of 3-6 °C over 20-60 s, smooth at both ends.
        last = first + dice.Int(20, 60);
        const double size = dice.Sign() * dice.Between(3, 6);
        for (int i = first; i <= last; ++i) {
          const double s = std::sin(std::numbers::pi * (i - first) / (last - first));
          tu[i].T += static_cast<float>(size * s * s);
        }
        break;
      }
      case CheckRule::SharpInversion: {
        // A warm layer of 3-6 °C that starts from one record to the next, for 20-60 s.
        const int end = first + dice.Int(20, 60);
        const double size = dice.Between(3, 6);
        for (int i = first; i <= end; ++i) tu[i].T += static_cast<float>(size);
        break;
      }
      default: {
        // The range or the azimuth drifting 40-70 m/s off for 60-120 s, then
        // staying that far off: the radar wind bends by as much within its window.
        const int len = dice.Int(60, 120);
        last = first + len;
        const double rate = dice.Sign() * dice.Between(40, 70);
        const bool range = dice.Sign() > 0;
        for (int i = first; i < crd.Count(); ++i) {
          const double metres = rate * std::min(i - first, len);
          if (range) crd[i].SR += metres;
          else crd[i].Az += metres / std::max(1.0, crd[i].SR * std::cos(crd[i].El / kRadToDeg)) * kRadToDeg;
        }
        break;
      }
    }
    faults.push_back({rules[k], first, last});
  }
  return faults;
}

bool IsFound(const InjectedFault& fault, const std::vector<dv::Finding>& findings) {
  // Rules over a window may start or end a window away from the fault.
  const bool windowed = fault.rule == CheckRule::AscentRate || fault.rule == CheckRule::HeightFall ||
                        fault.rule == CheckRule::TimeDrift;
  const int slack = windowed ? 120 : 2;
  for (const dv::Finding& f : findings) {
    if (f.rule != fault.rule) continue;
    if (f.lastRow >= fault.firstRow - slack && f.firstRow <= fault.lastRow + slack) return true;
  }
  return false;
}

DetectionScore ScoreRules(const dv::TuArray& tu, const dv::CrdArray& crd, int variants,
                          const dv::CheckThresholds& limits, const dv::InitialData* info) {
  DetectionScore score;
  score.cleanPoints = tu.Count() + crd.Count();
  // With the initial data, the physics rules too, and their own faulted copies.
  const auto check = [&](const dv::TuArray& t, const dv::CrdArray& c) {
    return info ? dv::RunAllChecks(t, c, *info, limits) : dv::RunChecks(t, c, limits);
  };
  for (const dv::Finding& f : check(tu, crd)) ++score.rules[static_cast<int>(f.rule)].cleanFindings;
  for (int seed = 1; seed <= variants; ++seed) {
    for (bool physics : {false, true}) {
      if (physics && !info) continue;
      dv::TuArray t(tu.Count());
      dv::CrdArray c(crd.Count());
      t.Assign(tu);
      c.Assign(crd);
      const auto s = static_cast<std::uint32_t>(seed);
      const std::vector<InjectedFault> faults = physics ? InjectPhysicsFaults(t, c, s) : InjectFaults(t, c, s);
      const std::vector<dv::Finding> findings = check(t, c);
      for (const InjectedFault& f : faults) {
        RuleScore& r = score.rules[static_cast<int>(f.rule)];
        const bool found = IsFound(f, findings);
        ++r.injected;
        r.found += found ? 1 : 0;
        if (!f.kind) continue;
        auto k = std::find_if(score.kinds.begin(), score.kinds.end(), [&](const KindScore& x) { return x.kind == f.kind; });
        if (k == score.kinds.end()) k = score.kinds.insert(score.kinds.end(), KindScore{f.kind});
        ++k->injected;
        k->found += found ? 1 : 0;
      }
    }
  }
  return score;
}

}  // namespace dvtools
