#pragma once

#include <QString>

#include <optional>

// Where the board was last shown: the screen's name and whether it filled that screen. Kept in
// a small file of its own beside the settings store, so the store keeps only its sixteen
// settings.
namespace modSettings {

struct WindowPlace {
    QString screen;
    bool fullScreen = false;
    bool operator==(const WindowPlace&) const = default;
};

// The place last written; empty when the file is absent, unusable (as the store's file would be)
// or names no screen. Writing leaves an unusable file alone.
std::optional<WindowPlace> readWindowPlace();
void writeWindowPlace(const WindowPlace& place);
QString windowPlaceFileName();

} // namespace modSettings
