#include "game/GameRules.h"

#include <QRegularExpression>

#include <optional>

namespace game {

GameRules fibaRules() {
    return GameRules{};
}

GameRules nfhsRules() {
    GameRules r;
    r.periodLength = Currency::fromSeconds(480);
    r.overtimeLength = Currency::fromSeconds(240);
    r.intervalLength = Currency::fromSeconds(60);
    r.halfTimeLength = Currency::fromSeconds(600);
    // Where a shot clock is used it runs 35 s, with no shorter reset.
    r.shotClockOn = false;
    r.shotClockFull = Currency::fromSeconds(35);
    r.shotClockShort = Currency::fromSeconds(35);
    r.shotClockBlanking = true;
    r.foulLimit = 4;
    r.overtimeKeepsFouls = true;
    // Five for the whole game, unused ones kept, one more for each overtime.
    r.timeoutsFirstHalf = 5;
    r.timeoutsSecondHalf = 0;
    r.timeoutsLateCap = 0;
    r.timeoutsPerOvertime = 1;
    r.timeoutsCarried = true;
    return r;
}

GameRules presetRules(RulesPreset preset) {
    return preset == RulesPreset::Nfhs ? nfhsRules() : fibaRules();
}

namespace {

enum class Kind { Count, Duration, Switch, Reset };

struct FigureInfo {
    Figure figure;
    const char* name;
    Kind kind;
    // What a refusal calls the figure, at the start of a sentence.
    const char* label;
    int min = 0;
    int max = 0;
};

constexpr int MaxClock = 5999;

constexpr std::array<FigureInfo, FigureCount> Figures{{
    {Figure::Periods, "Periods", Kind::Count, "The number of periods", 1, 9},
    {Figure::PeriodLength, "PeriodLength", Kind::Duration, "A period", 1, MaxClock},
    {Figure::OvertimeLength, "OvertimeLength", Kind::Duration, "An overtime", 1, MaxClock},
    {Figure::IntervalLength, "IntervalLength", Kind::Duration, "An interval", 0, MaxClock},
    {Figure::HalfTimeLength, "HalfTimeLength", Kind::Duration, "Half-time", 0, MaxClock},
    {Figure::ShotClock, "ShotClock", Kind::Switch, "The shot clock switch"},
    {Figure::ShotClockFull, "ShotClockFull", Kind::Duration, "The shot clock", 1, 99},
    {Figure::ShotClockShort, "ShotClockShort", Kind::Duration, "The short reset", 1, 99},
    {Figure::ShotClockBlanking, "ShotClockBlanking", Kind::Switch, "The blanking switch"},
    {Figure::FoulLimit, "FoulLimit", Kind::Count, "The foul limit", 1, 9},
    {Figure::FoulReset, "FoulReset", Kind::Reset, "The foul reset"},
    {Figure::OvertimeKeepsFouls, "OvertimeKeepsFouls", Kind::Switch, "The overtime fouls switch"},
    {Figure::TimeoutsFirstHalf, "TimeoutsFirstHalf", Kind::Count, "First-half timeouts", 0, 9},
    {Figure::TimeoutsSecondHalf, "TimeoutsSecondHalf", Kind::Count, "Second-half timeouts", 0, 9},
    {Figure::TimeoutsLateCap, "TimeoutsLateCap", Kind::Count, "The late timeout cap", 0, 9},
    {Figure::TimeoutsLateWindow, "TimeoutsLateWindow", Kind::Duration, "The late window", 1, MaxClock},
    {Figure::TimeoutsPerOvertime, "TimeoutsPerOvertime", Kind::Count, "Overtime timeouts", 0, 9},
    {Figure::TimeoutsCarried, "TimeoutsCarried", Kind::Switch, "The carry switch"},
    {Figure::TimeoutLength, "TimeoutLength", Kind::Duration, "A timeout", 1, 99},
    {Figure::TimeoutSignal, "TimeoutSignal", Kind::Duration, "The timeout warning", 0, 99},
}};

const FigureInfo& info(Figure figure) {
    return Figures[static_cast<std::size_t>(figure)];
}

// The figure's storage in the rules, as one of its three shapes.
int* countField(GameRules& r, Figure f) {
    switch (f) {
    case Figure::Periods:
        return &r.periods;
    case Figure::FoulLimit:
        return &r.foulLimit;
    case Figure::TimeoutsFirstHalf:
        return &r.timeoutsFirstHalf;
    case Figure::TimeoutsSecondHalf:
        return &r.timeoutsSecondHalf;
    case Figure::TimeoutsLateCap:
        return &r.timeoutsLateCap;
    case Figure::TimeoutsPerOvertime:
        return &r.timeoutsPerOvertime;
    default:
        return nullptr;
    }
}

Currency* durationField(GameRules& r, Figure f) {
    switch (f) {
    case Figure::PeriodLength:
        return &r.periodLength;
    case Figure::OvertimeLength:
        return &r.overtimeLength;
    case Figure::IntervalLength:
        return &r.intervalLength;
    case Figure::HalfTimeLength:
        return &r.halfTimeLength;
    case Figure::ShotClockFull:
        return &r.shotClockFull;
    case Figure::ShotClockShort:
        return &r.shotClockShort;
    case Figure::TimeoutsLateWindow:
        return &r.timeoutsLateWindow;
    case Figure::TimeoutLength:
        return &r.timeoutLength;
    case Figure::TimeoutSignal:
        return &r.timeoutSignal;
    default:
        return nullptr;
    }
}

bool* switchField(GameRules& r, Figure f) {
    switch (f) {
    case Figure::ShotClock:
        return &r.shotClockOn;
    case Figure::ShotClockBlanking:
        return &r.shotClockBlanking;
    case Figure::OvertimeKeepsFouls:
        return &r.overtimeKeepsFouls;
    case Figure::TimeoutsCarried:
        return &r.timeoutsCarried;
    default:
        return nullptr;
    }
}

qint64 wholeSeconds(Currency c) {
    return c.ticks() / Currency::TicksPerSecond;
}

QString minutesText(int seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

QString limitText(int seconds) {
    return seconds > 99 ? minutesText(seconds) : QStringLiteral("%1 s").arg(seconds);
}

// Whole seconds from "600" or "10:00"; -1 when the text is neither.
int parseSeconds(const QString& text) {
    static const QRegularExpression form(QStringLiteral(R"(^(?:(\d{1,2}):([0-5]\d)|(\d{1,4}))$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return -1;
    if (m.hasCaptured(3))
        return m.captured(3).toInt();
    return m.captured(1).toInt() * 60 + m.captured(2).toInt();
}

std::optional<bool> parseSwitch(const QString& text) {
    if (text.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

std::optional<FoulReset> parseReset(const QString& text) {
    if (text.compare(u"Period", Qt::CaseInsensitive) == 0)
        return FoulReset::EachPeriod;
    if (text.compare(u"Half", Qt::CaseInsensitive) == 0)
        return FoulReset::EachHalf;
    return std::nullopt;
}

// The refusals that depend on another figure of the same rules.
QString crossRefusal(const GameRules& r, Figure f, int seconds) {
    const auto full = wholeSeconds(r.shotClockFull);
    const auto shortReset = wholeSeconds(r.shotClockShort);
    const auto length = wholeSeconds(r.timeoutLength);
    const auto signal = wholeSeconds(r.timeoutSignal);
    if (f == Figure::ShotClockShort && seconds > full)
        return QStringLiteral("The short reset cannot be above the full one (%1 s).").arg(full);
    if (f == Figure::ShotClockFull && seconds < shortReset)
        return QStringLiteral("The shot clock cannot be below its short reset (%1 s).").arg(shortReset);
    if (f == Figure::TimeoutSignal && seconds > 0 && seconds >= length)
        return QStringLiteral("The warning must come before the timeout ends (%1 s).").arg(length);
    if (f == Figure::TimeoutLength && signal > 0 && seconds <= signal)
        return QStringLiteral("A timeout must last longer than its warning (%1 s).").arg(signal);
    return {};
}

} // namespace

std::array<Figure, FigureCount> allFigures() {
    std::array<Figure, FigureCount> figures{};
    for (std::size_t i = 0; i < Figures.size(); ++i)
        figures[i] = Figures[i].figure;
    return figures;
}

QString figureName(Figure figure) {
    return QString::fromLatin1(info(figure).name);
}

QString figureText(const GameRules& rules, Figure figure) {
    GameRules r = rules;
    switch (info(figure).kind) {
    case Kind::Count:
        return QString::number(*countField(r, figure));
    case Kind::Duration:
        return QString::number(wholeSeconds(*durationField(r, figure)));
    case Kind::Switch:
        return *switchField(r, figure) ? u"true"_qs : u"false"_qs;
    case Kind::Reset:
        return r.foulReset == FoulReset::EachHalf ? u"Half"_qs : u"Period"_qs;
    }
    return {};
}

QString figureRefusal(const GameRules& rules, Figure figure, const QString& typed) {
    const FigureInfo& fi = info(figure);
    const QString label = QString::fromLatin1(fi.label);
    const QString text = typed.trimmed();
    switch (fi.kind) {
    case Kind::Switch:
        return parseSwitch(text) ? QString() : label + u" is true or false."_qs;
    case Kind::Reset:
        return parseReset(text) ? QString() : label + u" is Period or Half."_qs;
    case Kind::Count: {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok)
            return QStringLiteral("%1 must be a whole number from %2 to %3.")
                .arg(label)
                .arg(fi.min)
                .arg(fi.max);
        if (n < 0)
            return label + u" cannot be negative."_qs;
        if (n < fi.min || n > fi.max)
            return QStringLiteral("%1 must be from %2 to %3.").arg(label).arg(fi.min).arg(fi.max);
        return {};
    }
    case Kind::Duration: {
        if (text.startsWith(u'-'))
            return label + u" cannot be negative."_qs;
        const int seconds = parseSeconds(text);
        if (seconds < 0)
            return label + u" is typed as seconds (90) or minutes and seconds (1:30)."_qs;
        if (seconds < fi.min)
            return label + u" cannot be 0."_qs;
        if (seconds > fi.max)
            return QStringLiteral("%1 cannot be over %2.").arg(label, limitText(fi.max));
        return crossRefusal(rules, figure, seconds);
    }
    }
    return {};
}

bool setFigure(GameRules& rules, Figure figure, const QString& typed) {
    if (!figureRefusal(rules, figure, typed).isEmpty())
        return false;
    const QString text = typed.trimmed();
    switch (info(figure).kind) {
    case Kind::Count:
        *countField(rules, figure) = text.toInt();
        break;
    case Kind::Duration:
        *durationField(rules, figure) = Currency::fromSeconds(parseSeconds(text));
        break;
    case Kind::Switch:
        *switchField(rules, figure) = *parseSwitch(text);
        break;
    case Kind::Reset:
        rules.foulReset = *parseReset(text);
        break;
    }
    return true;
}

} // namespace game
