#include "gamesettings/GameSettingsDraft.h"

#include <algorithm>

namespace gamesettings {

using game::Figure;

namespace {

struct FigureField {
    FigureInput input;
    const char* label;
    // A duration the operator thinks of in minutes, shown as m:ss.
    bool minutes = false;
};

constexpr std::array<FigureField, game::FigureCount> Fields{{
    {FigureInput::Count, "Periods"},
    {FigureInput::Duration, "Period length", true},
    {FigureInput::Duration, "Overtime length", true},
    {FigureInput::Duration, "Interval between periods", true},
    {FigureInput::Duration, "Half-time", true},
    {FigureInput::Switch, "Shot clock in use"},
    {FigureInput::Duration, "Shot clock full"},
    {FigureInput::Duration, "Shot clock short reset"},
    {FigureInput::Switch, "Shot clock dark while the game clock shows less"},
    {FigureInput::Count, "Team fouls before free throws"},
    {FigureInput::FoulReset, "Team fouls start again"},
    {FigureInput::Switch, "Overtime keeps the last period's fouls"},
    {FigureInput::Count, "Timeouts in the first half"},
    {FigureInput::Count, "Timeouts in the second half"},
    {FigureInput::Count, "Late timeouts at most (0: no limit)"},
    {FigureInput::Duration, "Late in the last period from", true},
    {FigureInput::Count, "Timeouts per overtime"},
    {FigureInput::Switch, "Unused timeouts carry over"},
    {FigureInput::Duration, "Timeout length"},
    {FigureInput::Duration, "Timeout warning after (0: none)"},
}};

const FigureField& field(Figure figure) {
    return Fields[static_cast<std::size_t>(figure)];
}

} // namespace

FigureInput figureInput(Figure figure) {
    return field(figure).input;
}

QString figureLabel(Figure figure) {
    return QString::fromUtf8(field(figure).label);
}

QString figureShown(const game::GameRules& rules, Figure figure) {
    const QString text = game::figureText(rules, figure);
    if (!field(figure).minutes)
        return text;
    const int seconds = text.toInt();
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

GameSettingsDraft::GameSettingsDraft(const game::GameSettings& start) : m_settings(start) {}

void GameSettingsDraft::choosePreset(game::RulesPreset preset) {
    m_pending.fill(std::nullopt);
    m_settings.preset = preset;
    if (preset != game::RulesPreset::Custom)
        m_settings.rules = game::presetRules(preset);
}

void GameSettingsDraft::type(Figure figure, const QString& text) {
    if (!figuresEditable())
        return;
    m_pending[static_cast<std::size_t>(figure)] = text;
    settle();
}

void GameSettingsDraft::settle() {
    // Taking one figure can make another fit (a short reset waiting for a longer shot clock), so
    // the pending texts are gone through again until a round takes none.
    bool took = true;
    while (took) {
        took = false;
        for (const Figure figure : game::allFigures()) {
            std::optional<QString>& text = m_pending[static_cast<std::size_t>(figure)];
            if (text && game::setFigure(m_settings.rules, figure, *text)) {
                text.reset();
                took = true;
            }
        }
    }
}

QString GameSettingsDraft::shown(Figure figure) const {
    const std::optional<QString>& text = m_pending[static_cast<std::size_t>(figure)];
    return text ? *text : figureShown(m_settings.rules, figure);
}

QString GameSettingsDraft::refusal(Figure figure) const {
    const std::optional<QString>& text = m_pending[static_cast<std::size_t>(figure)];
    return text ? game::figureRefusal(m_settings.rules, figure, *text) : QString();
}

bool GameSettingsDraft::acceptable() const {
    return std::none_of(m_pending.cbegin(), m_pending.cend(),
                        [](const auto& text) { return text.has_value(); });
}

} // namespace gamesettings
