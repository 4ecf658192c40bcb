#pragma once

#include "game/GameSettings.h"

#include <QString>

#include <array>
#include <optional>

namespace gamesettings {

// How the settings window lets a figure be changed: a count or a duration is typed, a switch ticked,
// the foul reset picked.
enum class FigureInput { Count, Duration, Switch, FoulReset };

FigureInput figureInput(game::Figure figure);

// The figure's name for the operator, as its field's label and accessible name.
QString figureLabel(game::Figure figure);

// The figure as its field shows it: clock-long durations as minutes and seconds ("10:00"), those
// of a few seconds as seconds ("24"), the rest as figureText writes it.
QString figureShown(const game::GameRules& rules, game::Figure figure);

// The working copy of the game settings window. The rules always hold figures that fit together:
// a typed text that is refused stays pending, with its reason, and is taken as soon as the figures
// around it make it fit.
class GameSettingsDraft {
public:
    explicit GameSettingsDraft(const game::GameSettings& start);

    // The settings as they would be saved now: pending texts are not in them.
    const game::GameSettings& settings() const { return m_settings; }

    void setLayout(game::Layout layout) { m_settings.layout = layout; }
    void setHornFile(const QString& path) { m_settings.hornFile = path; }
    void setServe(bool on) { m_settings.serve = on; }
    void setServeNetwork(bool on) { m_settings.serveNetwork = on; }
    void setServePort(int port) { m_settings.servePort = port; }
    void setJournal(bool on) { m_settings.journal = on; }

    // FIBA and NFHS bring their figures whole; Custom starts from those on show. Anything pending
    // is dropped either way.
    void choosePreset(game::RulesPreset preset);
    // Only Custom's figures can be changed.
    bool figuresEditable() const { return m_settings.preset == game::RulesPreset::Custom; }

    // A figure as the operator typed or picked it, in figureText's form or, for a duration, as
    // minutes and seconds. Ignored unless figuresEditable().
    void type(game::Figure figure, const QString& text);

    // What the figure's field shows: the pending text, else the figure.
    QString shown(game::Figure figure) const;
    // Why the figure's pending text cannot be taken; empty when nothing is pending.
    QString refusal(game::Figure figure) const;
    // True while no typed text is refused.
    bool acceptable() const;

private:
    void settle();

    game::GameSettings m_settings;
    std::array<std::optional<QString>, game::FigureCount> m_pending;
};

} // namespace gamesettings
