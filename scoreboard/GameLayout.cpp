#include "scoreboard/GameLayout.h"

#include "platform/Control.h"
#include "platform/PolyLED.h"
#include "state/Twips.h"

#include <QHashFunctions>
#include <QVariant>
#include <QWidget>

namespace GameLayout {

namespace {

double property(const Control& control, const char* name) {
    const QVariant value = control.property(name);
    return value.isValid() ? value.toDouble() : 0;
}

Place at(double left, double top, double width, double height, double fontSize = 0, double border = 0) {
    return {left, top, width, height, fontSize, border, 0};
}

} // namespace

size_t qHash(const ControlKey& key, size_t seed) {
    return qHashMulti(seed, key.name, key.index);
}

Place placeOf(const Control& control) {
    return {control.leftTwips(),           control.topTwips(),
            control.widthTwips(),          control.heightTwips(),
            property(control, "FontSize"), property(control, "BorderWidth"),
            property(control, "Size")};
}

void putAt(Control& control, const Place& place) {
    if (place.fontSize > 0 && control.property("FontSize").isValid())
        control.setProperty("FontSize", place.fontSize);
    if (place.borderWidth > 0 && control.property("BorderWidth").isValid())
        control.setProperty("BorderWidth", place.borderWidth);
    if (auto* digit = qobject_cast<PolyLED*>(&control); digit && place.digitSize > 0)
        digit->setPlacement(place.left, place.top, place.digitSize);
    else
        control.setBoundsTwips(place.left, place.top, place.width, place.height);
}

QHash<ControlKey, Place> placesOf(const QWidget& window) {
    QHash<ControlKey, Place> places;
    for (const Control* control : window.findChildren<Control*>())
        places.insert({control->objectName(), control->index()}, placeOf(*control));
    return places;
}

std::vector<std::pair<ControlKey, Place>> scaledFrame(const QHash<ControlKey, Place>& standard,
                                                      const QString& frame, double left, double top,
                                                      double scale) {
    std::vector<std::pair<ControlKey, Place>> places;
    for (auto it = standard.cbegin(); it != standard.cend(); ++it) {
        const Place& p = it.value();
        if (it.key().name == frame) {
            places.push_back({it.key(), {left, top, p.width * scale, p.height * scale, 0, 0, 0}});
            continue;
        }
        places.push_back({it.key(),
                          {p.left * scale, p.top * scale, p.width * scale, p.height * scale, p.fontSize,
                           p.borderWidth * scale, p.digitSize * scale}});
    }
    return places;
}

std::vector<std::pair<ControlKey, Place>> gamePlaces(const QHash<ControlKey, Place>& standard) {
    // The clock and the scores four fifths of their size: the clock stays on top in the middle, the
    // scores stand above the team names, and the shot clock, fouls and timeouts fill the room made.
    constexpr double Scale = 0.8;
    const auto contents = [&standard](const QStringList& names) {
        QHash<ControlKey, Place> inside;
        for (auto it = standard.cbegin(); it != standard.cend(); ++it)
            if (names.contains(it.key().name))
                inside.insert(it.key(), it.value());
        return inside;
    };
    std::vector<std::pair<ControlKey, Place>> places;
    const auto add = [&places](const std::vector<std::pair<ControlKey, Place>>& more) {
        places.insert(places.end(), more.begin(), more.end());
    };
    const Place time = standard.value({QStringLiteral("picTime"), -1});
    const double clockLeft = (Game::DesignWidth - time.width * Scale) / 2;
    add(scaledFrame(
        contents({QStringLiteral("picTime"), QStringLiteral("pledTime"), QStringLiteral("shpTime")}),
        QStringLiteral("picTime"), clockLeft, 936, Scale));
    const Place score = standard.value({QStringLiteral("picHomeScore"), -1});
    const double homeScoreLeft = 1950 - score.width * Scale / 2;
    add(scaledFrame(contents({QStringLiteral("picHomeScore"), QStringLiteral("pledHomeScore")}),
                    QStringLiteral("picHomeScore"), homeScoreLeft, 4260, Scale));
    add(scaledFrame(contents({QStringLiteral("picVisitorScore"), QStringLiteral("pledVisitorScore")}),
                    QStringLiteral("picVisitorScore"),
                    Game::DesignWidth - homeScoreLeft - score.width * Scale, 4260, Scale));

    const double clockWidth = time.width * Scale;
    const Place bonusLamp{1560, 1100, 600, 340, 0, 4, 0};
    const Place bonusArea{1500, 1010, 720, 520, 0, 0, 0};
    const Place possLamp{1660, 1790, 400, 360, 0, 4, 0};
    const Place possArea{1560, 1710, 600, 520, 0, 0, 0};
    const std::vector<std::pair<ControlKey, Place>> moved = {
        {{QStringLiteral("Shape1"), -1}, at(clockLeft - 144, 840, clockWidth + 288, 1692, 0, 7)},
        {{QStringLiteral("lblCreatedBy"), -1}, at(3240, 2560, 3015, 375, 11.25)},
        {{QStringLiteral("lblHome"), -1}, at(0, 5760, 3900, 975, 36)},
        {{QStringLiteral("lblVisitor"), -1}, at(5580, 5760, 3900, 975, 36)},
        {{QStringLiteral("lblBonus"), -1}, Game::BonusLabel},
        {{QStringLiteral("lblPoss"), -1}, Game::PossLabel},
        {{QStringLiteral("lblPeriod"), -1}, Game::PeriodLabel},
        {{QStringLiteral("shpBonusH"), -1}, bonusLamp},
        {{QStringLiteral("imgBonusH"), -1}, bonusArea},
        {{QStringLiteral("shpPossH"), -1}, possLamp},
        {{QStringLiteral("imgPossH"), -1}, possArea},
        {{QStringLiteral("shpBonusV"), -1}, mirrored(bonusLamp)},
        {{QStringLiteral("imgBonusV"), -1}, mirrored(bonusArea)},
        {{QStringLiteral("shpPossV"), -1}, mirrored(possLamp)},
        {{QStringLiteral("imgPossV"), -1}, mirrored(possArea)},
        {{QStringLiteral("pledPeriod"), 0},
         {Game::PeriodMark.left + Twips::fromPixels(PolyLED::widthForSize(int(Game::PeriodMark.digitSize))) +
              90,
          Game::PeriodMark.top, 0, 0, 0, 0, Game::PeriodMark.digitSize}},
    };
    add(moved);
    return places;
}

Place mirrored(const Place& place) {
    const double width =
        place.digitSize > 0 ? Twips::fromPixels(PolyLED::widthForSize(int(place.digitSize))) : place.width;
    Place m = place;
    m.left = Game::DesignWidth - place.left - width;
    return m;
}

} // namespace GameLayout
