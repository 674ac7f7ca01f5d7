#include "thermo/Profile.h"

#include <gtest/gtest.h>

#include <functional>

#include "thermo/Thermo.h"

using namespace dv;

namespace {

// A sonde rising 5 m/s straight above the radar (elevation 90°: Z is the range),
// one record a second, with temperature t(z) and humidity u(z).
struct Sounding {
  TuArray tu;
  CrdArray crd;
  InitialData info;
  Sounding(double top, const std::function<double(double)>& t, const std::function<double(double)>& u) {
    info.OnGroundPressure = 1000.0;
    info.StationHeightAboveSeaLevel = 0;
    info.StationLattitude = 45;
    for (int i = 0; 5.0 * i <= top; ++i) {
      const double z = 5.0 * i;
      tu.Add(TuPoint{static_cast<float>(i), static_cast<float>(t(z)), static_cast<float>(u(z)), false, false, false});
      crd.Add(CrdPoint{static_cast<double>(i), z, 90, 0, false, false});
    }
  }
  Profile profile() const { return ComputeProfile(tu, crd, info, {}); }
  std::vector<Level> levels() const { return ComputeLevels(profile(), tu, info); }
};

const Level* Find(const std::vector<Level>& levels, LevelKind kind, std::size_t nth = 0) {
  for (const Level& l : levels)
    if (l.kind == kind && nth-- == 0) return &l;
  return nullptr;
}

}  // namespace

TEST(Profile, HandCasesOfThePressureTheHeightAndTheDewPoint) {
  // Isothermal dry air: p = P0·exp(−g0·ΔH/(Rd·T)) exactly, whatever the step.
  const Sounding iso(12000, [](double) { return 0.0; }, [](double) { return 0.0; });
  const Profile p = iso.profile();
  ASSERT_TRUE(p.pressureKnown);
  for (const ProfilePoint& q : p.points)
    EXPECT_NEAR(q.p, 1000.0 * std::exp(-thermo::kG0 * q.H / (thermo::kRd * thermo::kKelvin)), 0.01) << q.z;
  // 10 km above sea level at 45° are about 9984 geopotential metres.
  EXPECT_NEAR(thermo::GeopotentialHeight(10000, 45), 9984, 2);
  EXPECT_NEAR(thermo::NormalGravity(90) / thermo::NormalGravity(0), 1.0053, 1e-4);

  // A dry adiabatic layer (g0/cp per geopotential metre) keeps its potential temperature.
  const double lapse = thermo::kG0 / thermo::kCp;
  const Sounding dry(
      8000, [lapse](double z) { return 20.0 - lapse * thermo::GeopotentialHeight(z, 45); }, [](double) { return 0.0; });
  const Profile d = dry.profile();
  for (const ProfilePoint& q : d.points) EXPECT_NEAR(thermo::PotentialTemperature(q.T, q.p), 293.15, 0.02) << q.z;

  // The dew point at saturation is the temperature; 20 °C at 50 % gives 9.3 °C.
  EXPECT_NEAR(thermo::DewPoint(-30, 100), -30, 1e-9);
  EXPECT_NEAR(thermo::DewPoint(20, 50), 9.26, 0.01);
  // Moist air is lighter: the same layer is thicker than dry air's.
  const Sounding moist(3000, [](double) { return 20.0; }, [](double) { return 100.0; });
  EXPECT_LT(iso.profile().points.back().p, 1000.0);
  const Sounding warmDry(3000, [](double) { return 20.0; }, [](double) { return 0.0; });
  EXPECT_GT(moist.profile().points.back().p, warmDry.profile().points.back().p);
  EXPECT_NEAR(moist.profile().points.back().Td, 20.0, 1e-4);

  // Without P0 there is none.
  Sounding unknown(1000, [](double) { return 0.0; }, [](double) { return 0.0; });
  unknown.info.OnGroundPressure = kUnknown;
  EXPECT_FALSE(unknown.profile().pressureKnown);
  EXPECT_TRUE(unknown.levels().empty());
}

TEST(Profile, StandardLevelsAndTheTropopauseByTheLapseRate) {
  // 6.5 K/km to 11 km, then isothermal: the tropopause at 11 km.
  const auto standard = [](double z) { return 15.0 - 6.5e-3 * std::min(z, 11000.0); };
  const Sounding s(20000, standard, [](double) { return 50.0; });
  const auto levels = s.levels();
  ASSERT_NE(Find(levels, LevelKind::Surface), nullptr);
  EXPECT_EQ(Find(levels, LevelKind::Surface)->p, 1000.0);
  const Level* l500 = nullptr;
  for (const Level& l : levels)
    if (l.kind == LevelKind::Standard && l.p == 500) l500 = &l;
  ASSERT_NE(l500, nullptr);
  EXPECT_NEAR(l500->H, 5520, 60);  // a little below 5574 gpm of the standard atmosphere's 1013 hPa
  const Level* trop = Find(levels, LevelKind::Tropopause);
  ASSERT_NE(trop, nullptr);
  EXPECT_NEAR(trop->H, thermo::GeopotentialHeight(11000, 45), 10);
  EXPECT_EQ(Find(levels, LevelKind::Tropopause, 1), nullptr);

  // An isothermal layer 1 km deep at 8 km is no tropopause: the 2-km condition rejects it.
  const auto layer = [](double z) {
    if (z < 8000) return 15.0 - 6.5e-3 * z;
    if (z < 9000) return 15.0 - 52.0;
    return 15.0 - 52.0 - 6.5e-3 * (std::min(z, 12000.0) - 9000);
  };
  const Sounding s2(20000, layer, [](double) { return 50.0; });
  trop = Find(s2.levels(), LevelKind::Tropopause);
  ASSERT_NE(trop, nullptr);
  EXPECT_NEAR(trop->H, thermo::GeopotentialHeight(12000, 45), 10);
}
