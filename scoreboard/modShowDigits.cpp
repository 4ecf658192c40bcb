#include "scoreboard/modShowDigits.h"

namespace modShowDigits {

namespace {

// One pending entry for the whole program: typing on another display drops it.
QString TypedDigits;
QString TypedDisplay;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isSign(QChar c) {
    return c == u'+' || c == u'-';
}

bool isEntryKey(KeyCode key) {
    return (key >= '0' && key <= '9') || key == '+' || key == '-';
}

// Collects one digit or sign, leaving out keys that cannot change what the entry reads, so that a
// key held down for minutes keeps the entry small. A zero after a digit run that is a lone zero
// only adds a leading zero. With those left out, an entry MaxEntryLength long has either ended
// its number already or holds one of more than 28 significant digits, which stays outside every
// 16-bit range whatever is typed next; further keys are not kept.
void collect(QChar c) {
    if (TypedDigits.size() >= MaxEntryLength)
        return;
    const qsizetype size = TypedDigits.size();
    const bool endsInLoneZero =
        size > 0 && TypedDigits.at(size - 1) == u'0' && (size == 1 || !isDigit(TypedDigits.at(size - 2)));
    if (c == u'0' && endsInLoneZero)
        return;
    TypedDigits += c;
}

// The value shown, read from the lit digits, most significant first. An all-blank display reads
// as 0, so an adjustment typed on it starts from nothing.
double currentValue(const ControlGroup<PolyLED>& display) {
    QString text;
    for (int i = display.UBound(); i >= 0; --i) {
        const qint16 caption = display[i]->caption();
        if (caption >= 0)
            text += QString::number(caption);
    }
    return leadingWholeNumber(text).value_or(0);
}

std::optional<double> newValue(QStringView entry, double current) {
    if (entry.isEmpty())
        return std::nullopt;
    const QChar first = entry.front();
    if (isDigit(first))
        return leadingWholeNumber(entry);
    if (!isSign(first))
        return std::nullopt;
    // A sign with no number after it ("+" then Enter) adjusts by nothing, as an empty number
    // counts as 0; the value shown is then written back unchanged.
    const double step = leadingWholeNumber(entry.mid(1)).value_or(0);
    return first == u'+' ? current + step : current - step;
}

void applyAndClear(const ControlGroup<PolyLED>& display, qint16 minValue, qint16 maxValue) {
    ApplyDigitEntry(display, TypedDigits, minValue, maxValue);
    TypedDigits.clear();
}

} // namespace

std::optional<double> leadingWholeNumber(QStringView text) {
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && isSign(text.at(pos))) {
        negative = text.at(pos) == u'-';
        ++pos;
    }
    bool anyDigit = false;
    double whole = 0;
    for (; pos < text.size() && isDigit(text.at(pos)); ++pos) {
        whole = whole * 10 + (text.at(pos).unicode() - u'0');
        anyDigit = true;
    }
    bool hasFraction = false;
    if (pos < text.size() && text.at(pos) == u'.') {
        for (++pos; pos < text.size() && isDigit(text.at(pos)); ++pos) {
            anyDigit = true;
            hasFraction = hasFraction || text.at(pos) != u'0';
        }
    }
    if (!anyDigit)
        return std::nullopt;
    // Rounding down takes a negative number with a fraction one further from zero.
    return negative ? -(whole + (hasFraction ? 1 : 0)) : whole;
}

void DigitKeyPress(const KeyDispatcher& dispatch, const ControlGroup<PolyLED>& display, KeyCode keyAscii,
                   qint16 minValue, qint16 maxValue) {
    // Command keys keep working while a display has the focus, whatever the entry makes of them.
    if (dispatch)
        dispatch(keyAscii);

    if (display.name() != TypedDisplay) {
        TypedDigits.clear();
        TypedDisplay = display.name();
    }
    if (isEntryKey(keyAscii))
        collect(QChar(static_cast<char16_t>(keyAscii)));
    if (keyAscii == KeySpace)
        TypedDigits.clear();

    // A one-digit display takes a plain digit at once; an adjustment applies at its first digit
    // on every display; Enter applies whatever has been typed.
    if (display.UBound() == 0 && !(TypedDigits.size() > 0 && isSign(TypedDigits.front())))
        applyAndClear(display, minValue, maxValue);
    if (TypedDigits.size() >= 2 && isSign(TypedDigits.at(0)) && isDigit(TypedDigits.at(1)))
        applyAndClear(display, minValue, maxValue);
    if (keyAscii == KeyEnter)
        applyAndClear(display, minValue, maxValue);
}

void ApplyDigitEntry(const ControlGroup<PolyLED>& display, const QString& entry, qint16 minValue,
                     qint16 maxValue) {
    const std::optional<double> value = newValue(entry, currentValue(display));
    if (!value || !(*value >= minValue && *value <= maxValue))
        return;

    // Right-aligned: leading positions the value does not reach go dark.
    const QString text = QString::number(static_cast<qint64>(*value));
    for (int i = 0; i <= display.UBound(); ++i) {
        if (i < text.size())
            display[i]->setCaptionText(QString(text.at(text.size() - 1 - i)));
        else
            display[i]->setCaption(-1);
    }
}

QString typedDigits() {
    return TypedDigits;
}

void clearTypedDigits() {
    TypedDigits.clear();
    TypedDisplay.clear();
}

int ShownValue(const ControlGroup<PolyLED>& unitsFirst) {
    int value = 0;
    int place = 1;
    for (const PolyLED* element : unitsFirst) {
        if (element->caption() > 0)
            value += element->caption() * place;
        place *= 10;
    }
    return value;
}

void ShowValue(const ControlGroup<PolyLED>& unitsFirst, int value) {
    int rest = value;
    for (int i = 0; i < unitsFirst.Count(); ++i) {
        unitsFirst[i]->setCaption(i == 0 || rest > 0 ? rest % 10 : -1);
        rest /= 10;
    }
}

} // namespace modShowDigits
