#pragma once

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

class Control;
class QWidget;

// Where the Game board puts each control, in twips on the board's design area (9480 x 6795, the
// Standard board's), with its font size in points, outline width or digit size in pixels. The
// Standard board's own places are read off its controls once, so going back restores them exactly.
namespace GameLayout {

struct Place {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    // Only the one that fits the control's kind is used; 0 leaves it as it is.
    double fontSize = 0;
    double borderWidth = 0;
    double digitSize = 0;
    bool operator==(const Place&) const = default;
};

// A control by its name and, in a group, its index.
struct ControlKey {
    QString name;
    int index = -1;
    bool operator==(const ControlKey&) const = default;
};
size_t qHash(const ControlKey& key, size_t seed = 0);

// The place a control has now; writing it back puts the control there.
Place placeOf(const Control& control);
void putAt(Control& control, const Place& place);

// Every control of the window as it is placed now.
QHash<ControlKey, Place> placesOf(const QWidget& window);

// A frame and everything in it, scaled by one ratio about the frame's corner and moved to (left,
// top): the clock and the scores keep their look, only smaller.
std::vector<std::pair<ControlKey, Place>> scaledFrame(const QHash<ControlKey, Place>& standard,
                                                      const QString& frame, double left, double top,
                                                      double scale);

// The Game board's places of the Standard board's own controls that move, computed from their
// Standard places; controls not listed keep those.
std::vector<std::pair<ControlKey, Place>> gamePlaces(const QHash<ControlKey, Place>& standard);

// The places of the Game board's own controls. Team rows are given for the home side; the visitor's
// mirror them about the board's middle.
namespace Game {
inline constexpr double DesignWidth = 9480;
// The shot clock's frame and its two digits, with the point that marks tenths.
inline constexpr Place ShotFrame{3760, 2960, 1960, 1380};
inline constexpr Place ShotTens{200, 90, 0, 0, 0, 0, 80};
inline constexpr Place ShotUnits{1100, 90, 0, 0, 0, 0, 80};
inline constexpr Place ShotPoint{915, 1170, 130, 130, 0, 1};
inline constexpr Place ShotLabel{3240, 4360, 3000, 400, 14};
// The period: the overtime mark left of the digit the board already has.
inline constexpr Place PeriodMark{4095, 5280, 0, 0, 0, 0, 72};
inline constexpr Place PeriodLabel{3240, 4800, 3000, 460, 18};
// Home side; the visitor's is mirrored.
inline constexpr Place FoulsLabel{300, 2680, 1600, 560, 20};
inline constexpr Place FoulsDigit{2000, 2600, 0, 0, 0, 0, 60};
inline constexpr Place TimeoutsLabel{300, 3640, 1600, 420, 14};
inline constexpr Place TimeoutsFrame{1960, 3620, 1700, 460};
inline constexpr Place TimeoutLamp{100, 100, 260, 260, 0, 2};
inline constexpr double TimeoutLampStep = 320;
inline constexpr int TimeoutLamps = 5;
inline constexpr Place BonusLabel{300, 1030, 1200, 480, 16};
inline constexpr Place PossLabel{300, 1730, 1200, 480, 16};
} // namespace Game

// A home-side place mirrored to the visitor's side of the board.
Place mirrored(const Place& place);

} // namespace GameLayout
