// The physics rules on made-up soundings: each just over and just under its
// threshold, and natural structure (a superadiabatic surface layer, a strong
// subsidence inversion, a tropopause, a jet) left alone.

#include "check/PhysicsRules.h"

#include <gtest/gtest.h>

#include <functional>

#include "thermo/Thermo.h"

using namespace dv;

namespace {

// A sonde rising 5 m/s straight above the radar (so z is the range), one record
// a second, from a station at sea level to 14 km, in air of temperature t(z),
// humidity u(z) and a west wind of speed w(z).
struct Air {
  std::function<double(double)> t, u = [](double) { return 50.0; }, w = [](double) { return 10.0; };
};

std::vector<Finding> Physics(const Air& air, double tropopause = NAN, CheckThresholds limits = {}) {
  TuArray tu;
  CrdArray crd;
  std::vector<WindPoint> wind;
  InitialData info;
  info.OnGroundPressure = 1013;
  info.StationHeightAboveSeaLevel = 0;
  info.StationLattitude = 50;
  for (int i = 0; 5.0 * i <= 14000; ++i) {
    const double z = 5.0 * i;
    tu.Add(TuPoint{float(i), float(air.t(z)), float(air.u(z)), false, false, false});
    crd.Add(CrdPoint{double(i), z, 90, 0, false, false});
    wind.push_back(WindPoint{i, double(i), z, air.w(z), 0, 5});
  }
  const Profile profile = ComputeProfile(tu, crd, info, wind);
  return PhysicsChecks(profile, tu, 0, tropopause, limits);
}

int Count(const std::vector<Finding>& findings, CheckRule rule) {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(), [rule](const Finding& f) { return f.rule == rule; }));
}

// 6.5 K/km to 11 km, isothermal above.
double Standard(double z) { return 15.0 - 0.0065 * std::min(z, 11000.0); }
// Dry adiabatic: θ the same all the way (over geopotential, as the profile takes it).
double Adiabatic(double z) { return 20.0 - thermo::kG0 / thermo::kCp * thermo::GeopotentialHeight(z, 50); }
// A step from 0 to `size` over [at, at + depth] m.
double Step(double z, double at, double depth, double size) {
  return z <= at ? 0 : z >= at + depth ? size : size * (z - at) / depth;
}

}  // namespace

TEST(PhysicsRules, NaturalStructureIsNoFinding) {
  Air air;
  air.t = [](double z) {
    double t = Standard(z);
    t += z < 300 ? 4.5 * (1 - z / 300) : 0;  // a superadiabatic surface layer, 15 K/km
    t += Step(z, 1500, 100, 6);              // a subsidence inversion, 6 K over 100 m
    return t;
  };
  air.u = [](double z) { return z < 1500 ? 85.0 : z < 11000 ? 25.0 : 2.0; };  // dry above the inversion
  // A jet: 50 m/s at 10 km, 0.02 1/s either side.
  air.w = [](double z) { return std::max(5.0, 50.0 - 0.02 * std::fabs(z - 10000)); };
  const auto findings = Physics(air, 230);
  EXPECT_TRUE(findings.empty()) << InfoOf(findings.front().rule).name << " " << findings.front().firstRow;
}

TEST(PhysicsRules, EachRuleJustOverAndJustUnderItsThreshold) {
  const CheckThresholds l;
  // θ falling by 2.1 K (over) or 1.9 K (under) over 100 m at 3 km, in otherwise adiabatic air:
  // a cooling of ΔT is a fall of ΔT·(1000/p)^κ in θ, and p is about 705 hPa there.
  const double factor = std::pow(1013.0 / 705.0, thermo::kKappa);
  for (const auto& [fall, found] : {std::pair(2.1, 1), std::pair(1.9, 0)}) {
    Air air;
    air.t = [&](double z) { return Adiabatic(z) - Step(z, 3000, 100, fall / factor); };
    const auto f = Physics(air);
    EXPECT_EQ(Count(f, CheckRule::Superadiabatic), found) << fall;
    if (found) {
      const Finding& s = f.front();
      EXPECT_EQ(s.file, CheckFile::Tu);
      // The layer from the warmest θ within the depth below (even θ: anywhere
      // from 2800 m) to 3100 m, in rows of the telemetry.
      EXPECT_GE(s.firstRow, 555);
      EXPECT_LE(s.firstRow, 605);
      EXPECT_NEAR(s.lastRow, 620, 10);
      EXPECT_GT(s.value, l.superadiabatic);
      EXPECT_EQ(s.threshold, l.superadiabatic);
    }
  }
  // The same fall in the surface layer is the ground's own.
  {
    Air air;
    air.t = [&](double z) { return Adiabatic(z) - Step(z, 200, 100, 3); };
    EXPECT_EQ(Count(Physics(air), CheckRule::Superadiabatic), 0);
  }
  // A warming of 3 K within one record (60 °C/100 m), within 20 m (15 °C/100 m), and 2.4 K within one.
  for (const auto& [rise, depth, found] : {std::tuple(3.0, 5.0, 1), std::tuple(3.0, 20.0, 0), std::tuple(2.4, 5.0, 0)}) {
    Air air;
    air.t = [&](double z) { return Standard(z) + Step(z, 4000, depth, rise); };
    EXPECT_EQ(Count(Physics(air), CheckRule::SharpInversion), found) << rise << " " << depth;
  }
  // Over ice at about −37 °C (7.9 km): 165 % and 155 % over ice, as the sensor reads it over water.
  for (const auto& [overIce, found] : {std::pair(165.0, 1), std::pair(155.0, 0)}) {
    Air air;
    air.t = Standard;
    air.u = [&](double z) {
      const double t = Standard(z);
      return z > 7800 && z < 8000 ? overIce * thermo::SaturationPressureIce(t) / thermo::SaturationPressure(t) : 40.0;
    };
    EXPECT_EQ(Count(Physics(air), CheckRule::Supersaturation), found) << overIce;
  }
  // A dead dry sensor at 3 km (700 hPa): 0.5 % for 130 s below the tropopause is one; for 110 s,
  // above a tropopause at 750 hPa, or at 1.5 % none.
  for (const auto& [u, seconds, tropopause, found] :
       {std::tuple(0.5, 130.0, 230.0, 1), std::tuple(0.5, 110.0, 230.0, 0), std::tuple(0.5, 130.0, 750.0, 0),
        std::tuple(1.5, 130.0, 230.0, 0)}) {
    Air air;
    air.t = Standard;
    air.u = [&](double z) { return z > 3000 && z <= 3000 + 5 * seconds ? u : 40.0; };
    EXPECT_EQ(Count(Physics(air, tropopause), CheckRule::Supersaturation), found) << u << " " << seconds << " " << tropopause;
  }
  // The wind growing 21 m/s (0.07 1/s) or 15 m/s (0.05 1/s) over 300 m at 6 km.
  for (const auto& [shear, found] : {std::pair(0.07, 1), std::pair(0.05, 0)}) {
    Air air;
    air.t = Standard;
    air.w = [&](double z) { return 10.0 + Step(z, 6000, 300, 300 * shear); };
    const auto f = Physics(air);
    EXPECT_EQ(Count(f, CheckRule::WindShear), found) << shear;
    if (found) {
      EXPECT_EQ(f.front().file, CheckFile::Crd);  // the radar's rows
      EXPECT_LE(f.front().firstRow, 1260);
      EXPECT_GE(f.front().lastRow, 1260);
    }
  }
  // Without P0 there is no profile and nothing to find.
  EXPECT_TRUE(PhysicsChecks(Profile{}, TuArray{}, 0, NAN, l).empty());
}
