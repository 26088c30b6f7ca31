// Making the bush. Only +, -, *, / and sqrt shape the cards, which round the same way on every
// IEEE machine, and every coordinate is written with four decimals, so the files are reproducible.
#include "cli/bush_maker.h"

#include "formats/text/number_text.h"
#include "host/vistrelle_contract.h"

#include <cmath>
#include <numbers>
#include <random>

namespace cli {
namespace {

using hostsim::Point3;

// `a` made unit length; `fallback` when it is too short to have a direction.
Point3 unit(Point3 a, Point3 fallback) {
    const double length = std::sqrt(dot(a, a));
    return length > 1e-6 ? a * (1.0 / length) : fallback;
}

// Random numbers from the Mersenne Twister's fixed sequence, turned into doubles by hand: the
// standard's distributions may differ between libraries.
class Dice {
  public:
    explicit Dice(std::uint32_t seed) : engine_(seed) {}
    // In [0, 1), a multiple of 2^-24.
    double unit() { return static_cast<double>(engine_() >> 8) / 16777216.0; }
    double between(double low, double high) { return low + (high - low) * unit(); }
    // A point in the unit ball at least `inner` from its centre.
    Point3 inBall(double inner) {
        for (;;) {
            const Point3 v{between(-1.0, 1.0), between(-1.0, 1.0), between(-1.0, 1.0)};
            const double squared = dot(v, v);
            if (squared <= 1.0 && squared >= inner * inner) return v;
        }
    }

  private:
    std::mt19937 engine_;
};

struct Card {
    Point3 corners[4];
    Point3 normal;
    bool outer = false;
};

Card makeCard(Dice &dice) {
    // Centres fill a dome of radius 1 and height 1.1 standing on y = 0, hollow inside like a real
    // bush.
    const Point3 spot = dice.inBall(0.35);
    const Point3 centre{spot.x, 0.55 + 0.55 * spot.y, spot.z};
    // Cards face mostly outward, with a good deal of scatter.
    const Point3 normal = unit(spot + dice.inBall(0.0) * 0.9, {0.0, 1.0, 0.0});
    Point3 across = unit(cross({0.0, 1.0, 0.0}, normal), {1.0, 0.0, 0.0});
    Point3 along = cross(normal, across);
    // A random turn of the card in its own plane.
    Point3 spin;
    do spin = {dice.between(-1.0, 1.0), dice.between(-1.0, 1.0), 0.0};
    while (dot(spin, spin) > 1.0 || dot(spin, spin) < 0.01);
    spin = unit(spin, {1.0, 0.0, 0.0});
    across = across * spin.x + along * spin.y;
    along = cross(
        normal,
        across);  // across x along = normal: the corners run counter-clockwise seen from the front

    const double halfWidth = dice.between(0.035, 0.06);
    const double halfLength = halfWidth * dice.between(1.3, 1.8);
    const Point3 a = across * halfWidth;
    const Point3 b = along * halfLength;
    return {{centre - a - b, centre + a - b, centre + a + b, centre - a + b},
            normal,
            dot(spot, spot) > 0.49};
}

// Rounded to four decimals, without the sign of a negative zero.
void appendCoordinate(std::string &out, double value) {
    double rounded = std::round(value * 10000.0) / 10000.0;
    if (rounded == 0.0) rounded = 0.0;
    formats::appendFixed(out, rounded, 4);
}

void appendRecord(std::string &out, const char *tag, Point3 v) {
    out += tag;
    for (const double c : {v.x, v.y, v.z}) {
        out += ' ';
        appendCoordinate(out, c);
    }
    out += '\n';
}

void appendFaces(std::string &out, const std::vector<Card> &cards, bool outer) {
    out += outer ? "g outer\n" : "g inner\n";
    for (std::size_t i = 0; i < cards.size(); ++i) {
        if (cards[i].outer != outer) continue;
        out += 'f';
        for (std::size_t corner = 0; corner < 4; ++corner)
            out += ' ' + std::to_string(4 * i + corner + 1) + '/' + std::to_string(corner + 1) +
                   '/' + std::to_string(i + 1);
        out += '\n';
    }
}

}  // namespace

std::string bushObjText(const BushRecipe &recipe) {
    Dice dice(recipe.seed);
    std::vector<Card> cards;
    for (int i = 0; i < recipe.cards; ++i) cards.push_back(makeCard(dice));

    std::string out = "# A bush of " + std::to_string(recipe.cards) +
                      " leaf cards, four points each (seed " + std::to_string(recipe.seed) +
                      ").\no Bush\n";
    out.reserve(out.size() + cards.size() * 200);
    for (const Card &card : cards)
        for (const Point3 &corner : card.corners) appendRecord(out, "v", corner);
    out += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    for (const Card &card : cards) appendRecord(out, "vn", card.normal);
    out += "s off\n";
    appendFaces(out, cards, false);
    appendFaces(out, cards, true);
    return out;
}

hostsim::Scene bushScene(const std::filesystem::path &objFile) {
    hostsim::Scene scene;
    scene.frames = {0, 47, 24.0};

    // One key per frame and one more to close the circle; linear between keys is then smooth.
    constexpr int keys = 48;
    constexpr double radius = 2.5;
    constexpr double height = 0.7;
    hostsim::Item camera{"Camera", {}, std::nullopt};
    for (int k = 0; k <= keys; ++k) {
        const double angle = 2.0 * std::numbers::pi * k / keys;
        const auto rounded = [](double v) {
            const double r = std::round(v * 10000.0) / 10000.0;
            return r == 0.0 ? 0.0 : r;
        };
        camera.motion.keys.push_back(
            {scene.frames.timeOf(k),
             {rounded(radius * std::cos(angle)), height, rounded(radius * std::sin(angle))}});
    }
    scene.items.push_back(std::move(camera));

    hostsim::Mesh mesh;
    mesh.sourceFile = objFile.string();
    scene.items.push_back({"Bush", hostsim::Motion::fixed({}), std::move(mesh)});

    // The module's data block: leaf points, target (1: the first item, "Camera"), pivot rule,
    // heading alignment, pitch alignment.
    scene.displacements.push_back(
        {1, "Vistrelle",
         std::vector<std::int32_t>{DEFAULT_LEAF_POINTS, 1, PIVOT_FIRST_POINT, SWITCH_ON,
                                   SWITCH_ON}});
    return scene;
}

}  // namespace cli
