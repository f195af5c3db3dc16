// The colour routines against a reference that follows the hue/saturation/luminance rules step
// by step in exact fractions: every colour through ColorToHSL, every byte triple through
// HSLToColor, and darker, lighter and contrasting colours over a grid. A value on an exact half
// rounds to the even neighbour.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "controls/flatGrafx.h"

using namespace orvane::controls;

namespace {

// An exact fraction n/d, d > 0. Reduced only when its terms grow large (or on request), so
// the sweeps stay fast; comparisons cross-multiply.
struct Q {
  std::int64_t n = 0, d = 1;
  Q(std::int64_t num = 0, std::int64_t den = 1) : n(num), d(den) {}
  static Q of(__int128 num, __int128 den, bool reduce = false) {
    if (den < 0) num = -num, den = -den;
    constexpr __int128 kBig = __int128(1) << 62;
    if (reduce || num > kBig || -num > kBig || den > kBig) {
      __int128 a = num < 0 ? -num : num, b = den;
      while (b != 0) a = std::exchange(b, a % b);
      num /= a, den /= a;
    }
    return {std::int64_t(num), std::int64_t(den)};
  }
  Q reduced() const { return of(n, d, true); }
  friend Q operator+(Q a, Q b) { return of(__int128(a.n) * b.d + __int128(b.n) * a.d, __int128(a.d) * b.d); }
  friend Q operator-(Q a, Q b) { return of(__int128(a.n) * b.d - __int128(b.n) * a.d, __int128(a.d) * b.d); }
  friend Q operator*(Q a, Q b) { return of(__int128(a.n) * b.n, __int128(a.d) * b.d); }
  friend Q operator/(Q a, Q b) { return of(__int128(a.n) * b.d, __int128(a.d) * b.n); }
  friend bool operator<(Q a, Q b) { return __int128(a.n) * b.d < __int128(b.n) * a.d; }
  friend bool operator==(Q a, Q b) { return __int128(a.n) * b.d == __int128(b.n) * a.d; }
};

Q maxQ(Q a, Q b) { return a < b ? b : a; }
Q minQ(Q a, Q b) { return a < b ? a : b; }

// Nearest integer, an exact half to the even one; Trunc toward zero.
std::int64_t roundQ(Q x) {
  std::int64_t f = x.n / x.d - (x.n % x.d < 0 ? 1 : 0);
  const Q rest = x - Q(f);
  if (Q(1, 2) < rest || (rest == Q(1, 2) && f % 2 != 0)) ++f;
  return f;
}
std::int64_t truncQ(Q x) { return x.n / x.d; }

std::array<int, 3> refHsl(int R, int G, int B) {
  const Q r(R, 255), g(G, 255), b(B, 255);
  const Q mx = maxQ(maxQ(r, g), b), mn = minQ(minQ(r, g), b);
  const Q l = (mx + mn) / Q(2);
  Q h, s;
  if (!(mx == mn)) {
    const Q d = mx - mn;
    s = l < Q(1, 2) ? d / (mx + mn) : d / (Q(2) - mx - mn);
    if (r == mx) h = (g - b) / d;
    else if (g == mx) h = Q(2) + (b - r) / d;
    else h = Q(4) + (r - g) / d;
    h = h / Q(6);
    if (h < Q(0)) h = h + Q(1);
  }
  return {int(roundQ(Q(240) * h)), int(roundQ(Q(240) * s)), int(roundQ(Q(240) * l))};
}

// HSLToColor's rules in two halves: what depends on saturation and luminance (m1, m2 and
// m2 * sv), then the hue's sextant and fraction.
struct SatLum {
  bool black;
  Q m1, m2, m2sv;
};
SatLum refSatLum(int S, int L) {
  const Q s(S, 240), l(L, 240);
  const Q m2 = l < Q(1, 2) ? l * (Q(1) + s) : l + s - l * s;
  if (!(Q(0) < m2)) return {true, {}, {}, {}};
  const Q m1 = Q(2) * l - m2;
  const Q sv = (m2 - m1) / m2;
  return {false, m1.reduced(), m2.reduced(), (m2 * sv).reduced()};
}
TColor refColour(int H, const SatLum& p) {
  if (p.black) return TColor::FromRGB(0, 0, 0);
  const Q x = Q(6) * Q(H, 239);
  const std::int64_t sextant = truncQ(x);
  const Q v = p.m2sv * (x - Q(sextant));
  const Q m1 = p.m1, m2 = p.m2, mid1 = m1 + v, mid2 = m2 - v;
  std::array<Q, 3> c;
  switch (sextant) {
    case 1: c = {mid2, m2, m1}; break;
    case 2: c = {m1, m2, mid1}; break;
    case 3: c = {m1, mid2, m2}; break;
    case 4: c = {mid1, m1, m2}; break;
    case 5: c = {m2, m1, mid2}; break;
    default: c = {m2, mid1, m1}; break;
  }
  auto byte = [](Q ch) { return int(roundQ(minQ(ch, Q(1)) * Q(255))); };
  return TColor::FromRGB(byte(c[0]), byte(c[1]), byte(c[2]));
}

}  // namespace

TEST(ColourExact, EveryColourAndEveryTripleMatchTheExactRules) {
  int wrong = 0;
  auto expect = [&wrong](bool same, const char* routine, long long input) {
    if (!same && wrong++ < 5) ADD_FAILURE() << routine << " of " << std::hex << input;
  };
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        std::uint8_t h, s, l;
        const TColor c = TColor::FromRGB(r, g, b);
        ColorToHSL(c, h, s, l);
        const auto want = refHsl(r, g, b);
        expect(want == std::array<int, 3>{h, s, l}, "ColorToHSL", int(c.Value()));
        if (r % 5 || g % 5 || b % 5) continue;
        // Darker, lighter and contrasting colours over a grid of colours.
        const int opposite = want[0] < 120 ? want[0] + 120 : want[0] - 120;
        for (int n : {1, 7, 30, 120, 255}) {
          const long long cn = (static_cast<long long>(c.Value()) << 8) | n;  // colour and amount
          expect(DarkerColor(c, n) == refColour(want[0], refSatLum(want[1], std::max(want[2] - n, 0))), "DarkerColor", cn);
          expect(LighterColor(c, n) == refColour(want[0], refSatLum(want[1], std::min(want[2] + n, 255))), "LighterColor", cn);
          expect(ContrastColor(c, n) == refColour(opposite, refSatLum(240, n)), "ContrastColor", cn);
        }
      }
  for (int s = 0; s < 256; ++s)
    for (int l = 0; l < 256; ++l) {
      const SatLum p = refSatLum(s, l);
      for (int h = 0; h < 256; ++h)
        expect(HSLToColor(h, s, l) == refColour(h, p), "HSLToColor", (h << 16) | (s << 8) | l);
    }
  EXPECT_EQ(wrong, 0);
}
