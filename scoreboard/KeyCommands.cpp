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

bool isRepeatedCommand(const QKeyEvent& event) {
    const QString text = event.text();
    return event.isAutoRepeat() && !text.isEmpty() &&
           commandForKey(KeyCode(text.at(0).unicode())) != KeyCommand::None;
}
