#include "journal/Restore.h"

#include "game/Periods.h"

#include <QCoreApplication>

namespace journal {

void replay(Restored& r, const Event& e) {
    if (!r.started && e.kind != EventKind::Start)
        return;
    ++r.events;
    r.clocks = e.clocks;
    r.unclean = e.kind != EventKind::End;
    switch (e.kind) {
    case EventKind::Start:
        r = Restored();
        r.events = 1;
        r.started = true;
        r.unclean = true;
        r.clocks = e.clocks;
        r.settings = e.settings;
        r.title = e.title;
        r.home = e.home;
        r.visitor = e.visitor;
        r.scores = e.scores;
        r.game.newGame(e.settings.rules, e.scores);
        break;
    case EventKind::Action: {
        // A command that loads a clock leaves it at the value loaded until the next event says more.
        const game::Effects effects = r.game.dispatch(e.action, e.clocks);
        if (effects.loadGameClock)
            r.clocks.game = *effects.loadGameClock;
        if (effects.loadShotClock)
            r.clocks.shot = *effects.loadShotClock;
        r.inProgress = true;
        break;
    }
    case EventKind::Clock:
    case EventKind::Mark:
        r.inProgress = true;
        break;
    case EventKind::Names:
        r.title = e.title;
        r.home = e.home;
        r.visitor = e.visitor;
        break;
    case EventKind::Lamps:
        r.possession = e.possession;
        r.bonus = e.bonus;
        r.inProgress = true;
        break;
    case EventKind::Board:
        r.scores = e.scores;
        r.period = e.period;
        r.inProgress = true;
        break;
    case EventKind::End:
        r.inProgress = false;
        break;
    }
    if (r.settings.layout == game::Layout::Game) {
        const game::GameState& s = r.game.state();
        r.scores = s.score;
        r.period = s.period;
        r.bonus = s.bonus;
        r.possession = s.arrow == game::Arrow::Home ? 1 : s.arrow == game::Arrow::Visitor ? 2 : 0;
    }
}

Restored restore(const QList<Event>& events) {
    Restored r;
    for (const Event& e : events)
        replay(r, e);
    return r;
}

QString clockText(Currency value) {
    const qint64 tenths = value.ticks() / Currency::TicksPerTenth;
    if (tenths < 600)
        return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
    // As the board shows it: each second from its first tenth, 595.8 s reads 9:56.
    const qint64 seconds = (tenths + 9) / 10;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

QString summary(const Restored& r) {
    const QString period = r.settings.layout == game::Layout::Game
                               ? game::periodReading(r.settings.rules, r.period)
                               : QString::number(r.period);
    return QCoreApplication::translate("journal", "%1 %2 - %3 %4, period %5, clock %6")
        .arg(r.home.isEmpty() ? QStringLiteral("Home") : r.home)
        .arg(r.scores[game::Home])
        .arg(r.visitor.isEmpty() ? QStringLiteral("Visitor") : r.visitor)
        .arg(r.scores[game::Visitor])
        .arg(period, clockText(r.clocks.game));
}

} // namespace journal
