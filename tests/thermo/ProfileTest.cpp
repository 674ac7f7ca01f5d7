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

  // Telemetry every 2 s is read linearly between; across more than 60 s it is not.
  Sounding sparse(2000, [](double z) { return 10.0 - z / 100.0; }, [](double) { return 50.0; });
  TuArray every2;
  for (int i = 0; i < sparse.tu.Count(); ++i)
    if (i % 2 == 0 && (i < 100 || i > 200)) every2.Add(sparse.tu[i]);
  sparse.tu = std::move(every2);
  const Profile s = sparse.profile();
  EXPECT_NEAR(s.points[51].T, 10.0 - 51 * 5 / 100.0, 1e-4);  // between rows 50 and 52
  EXPECT_TRUE(std::isnan(s.points[150].T) && std::isnan(s.points[150].Td));  // 98..202: a 104-s gap
  const Sounding full(2000, [](double z) { return 10.0 - z / 100.0; }, [](double) { return 50.0; });
  EXPECT_NEAR(s.points[150].p, full.profile().points[150].p, 0.3);  // the pressure goes on through it
  // No telemetry at all: heights and pressures, no temperature, and the levels still stand.
  sparse.tu = TuArray();
  EXPECT_TRUE(std::isnan(sparse.profile().points[10].T));
  const auto bare = sparse.levels();
  ASSERT_FALSE(bare.empty());
  EXPECT_TRUE(std::isnan(bare[0].T) && bare[0].p == 1000.0);

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
  const auto layered = s2.levels();
  trop = Find(layered, LevelKind::Tropopause);
  ASSERT_NE(trop, nullptr);
  EXPECT_NEAR(trop->H, thermo::GeopotentialHeight(12000, 45), 10);

  // A second tropopause above a layer over 1 km deep falling 5 K/km; one falling
  // 2.5 K/km, not more than 3, gives none.
  for (const double fall : {5.0e-3, 2.5e-3}) {
    const auto twice = [fall](double z) {
      const double first = 15.0 - 6.5e-3 * std::min(z, 11000.0);
      return z < 14000 ? first : first - fall * (std::min(z, 17000.0) - 14000);
    };
    const auto found = Sounding(25000, twice, [](double) { return 20.0; }).levels();
    const Level* second = Find(found, LevelKind::Tropopause, 1);
    if (fall > 3e-3) {
      ASSERT_NE(second, nullptr);
      EXPECT_NEAR(second->H, thermo::GeopotentialHeight(17000, 45), 10);
    } else {
      EXPECT_EQ(second, nullptr);
    }
  }

  // The levels file: "." decimals, empty where unknown.
  Level l;
  l.kind = LevelKind::MaxWind;
  l.p = 250.04, l.H = 10305.4, l.T = -54.84, l.U = 14.6, l.direction = 280.4, l.speed = 32.26;
  EXPECT_EQ(FormatLevelsCsv({l}),
            "kind,pressure,geopotential_height,T,dew_point,U,wind_direction,wind_speed\r\n"
            "max_wind,250.0,10305,-54.8,,15,280,32.3\r\n");
}
