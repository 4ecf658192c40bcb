#!/usr/bin/python3
# Prints the running board as a screen reader sees it over AT-SPI: every element with its role,
# name, description, text, numeric value, on/off state and actions. Needs python3-pyatspi and the
# board started with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on the same session bus; for a headless
# look:  xvfb-run dbus-run-session -- sh -c '/usr/libexec/at-spi-bus-launcher --launch-immediately &
#        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 build/default/bin/courtvane & sleep 2;
#        xdotool mousemove 640 512 click 1; sleep 2; scripts/atspi-dump.py'
import pyatspi


def describe(element, depth):
    parts = [element.getRoleName(), repr(element.name)]
    if element.description:
        parts.append(f"description={element.description!r}")
    try:
        parts.append(f"text={element.queryText().getText(0, -1)!r}")
    except NotImplementedError:
        pass
    try:
        value = element.queryValue()
        parts.append(f"value={value.currentValue:g} of {value.minimumValue:g}..{value.maximumValue:g}")
    except NotImplementedError:
        pass
    if element.getRole() == pyatspi.ROLE_CHECK_BOX:
        parts.append("on" if element.getState().contains(pyatspi.STATE_CHECKED) else "off")
    try:
        action = element.queryAction()
        parts.append("actions=" + ",".join(action.getName(i) for i in range(action.nActions)))
    except NotImplementedError:
        pass
    print("  " * depth + " ".join(parts))
    for child in element:
        if child is not None:
            describe(child, depth + 1)


for application in pyatspi.Registry.getDesktop(0):
    if application is not None and application.name == "Courtvane Standard":
        describe(application, 0)
