#include "clock/ClockEntry.h"

#include "clock/ClockText.h"
#include "clock/modCount.h"
#include "state/modBasketball.h"

namespace modCount {

namespace {

constexpr KeyCode KeyPoint = 46;
constexpr KeyCode KeyZero = 48;
constexpr KeyCode KeyNine = 57;

// Entries longer than 8 characters are refused anyway, so keeping 9 bounds a held-down key
// without changing which entries are accepted.
constexpr qsizetype MaxKept = 9;

QString TypedCount;
// The display whose keys TypedCount holds; keys from another display start a new entry.
QString TypedCountDisplay;

void append(QChar c) {
    if (TypedCount.size() < MaxKept)
        TypedCount.append(c);
}

} // namespace

bool CountKeyPress(const KeyDispatcher& dispatch, const ControlGroup<PolyLED>& digits, KeyCode keyAscii,
                   qint32 maxCount, qint32 mode, qint16 slot, const ControlGroup<Shape>& dots) {
    // Command keys keep working while the clock display has the focus.
    if (dispatch)
        dispatch(keyAscii);

    if (digits.name() != TypedCountDisplay) {
        TypedCount.clear();
        TypedCountDisplay = digits.name();
    }

    if (keyAscii >= KeyZero && keyAscii <= KeyNine)
        append(QChar(keyAscii));
    if (keyAscii == KeyPoint)
        append(u'.');
    if (keyAscii == KeySpace)
        TypedCount.clear();

    bool loaded = false;
    if (!TypedCount.isEmpty() && keyAscii == KeyEnter) {
        const Currency entered = ParseCount(TypedCount);
        if (entered != Currency::fromSeconds(-1) && entered <= Currency::fromSeconds(maxCount)) {
            SetCount(entered, mode, slot);
            modBasketball::ResetTime = entered;
            ShowCount(ReadCount(slot), digits, dots);
            loaded = true;
        }
        TypedCount.clear();
    }
    return loaded;
}

QString typedCount() {
    return TypedCount;
}

void clearTypedCount() {
    TypedCount.clear();
    TypedCountDisplay.clear();
}

} // namespace modCount
