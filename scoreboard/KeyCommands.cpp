#include "scoreboard/KeyCommands.h"

#include "state/modBasketball.h"

#include <QKeyEvent>

KeyCommand commandForKey(KeyCode keyAscii) {
    using namespace modBasketball;
    if (keyAscii == StartStopClockKey)
        return KeyCommand::StartStop;
    if (keyAscii == ResetClockKey)
        return KeyCommand::Reset;
    if (keyAscii == ClockSwitchKey)
        return KeyCommand::ClockSwitch;
    if (keyAscii == BuzzerKey)
        return KeyCommand::Buzzer;
    if (keyAscii == HelpKey)
        return KeyCommand::Help;
    if (keyAscii == OptionsKey)
        return KeyCommand::Options;
    return KeyCommand::None;
}

bool KeyRepeat::isRepeatedCommand(const QEvent& event) {
    if (event.type() == QEvent::KeyRelease) {
        const auto& key = static_cast<const QKeyEvent&>(event);
        m_releasedKey = key.key();
        m_releasedAt = key.timestamp();
        return false;
    }
    if (event.type() != QEvent::KeyPress)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(event);
    const bool repeat = key.isAutoRepeat() ||
                        (m_releasedAt != 0 && key.key() == m_releasedKey && key.timestamp() == m_releasedAt);
    const QString text = key.text();
    return repeat && !text.isEmpty() && commandForKey(KeyCode(text.at(0).unicode())) != KeyCommand::None;
}
