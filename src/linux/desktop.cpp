// The Linux desktop: an X server or a Wayland compositor; full screen as a
// window over it; its animation setting where GTK finds it.
#include "platform/desktop.h"

#include <gio/gio.h>

#include <cstdlib>
#include <string>

// An X server or a Wayland compositor, as the session names them.
bool desktopNamed()
{
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

FullScreen fullScreenKind()
{
    return FullScreen::desktopWindow;
}

namespace {

// GNOME's "Reduce animation", the setting GTK follows on Wayland and through
// the settings daemon on X11, where its schema is installed.
bool gnomeAnimationsOff()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE) : nullptr;
    if (!schema)
        return false;
    bool off = false;
    if (g_settings_schema_has_key(schema, "enable-animations")) {
        GSettings* settings = g_settings_new("org.gnome.desktop.interface");
        off = !g_settings_get_boolean(settings, "enable-animations");
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return off;
}

// gtk-enable-animations in a GTK 3 settings.ini (where KDE and hand-made
// configurations keep it); the user's file over the system's.
bool settingsFileSaysOff(const std::string& folder, bool* said)
{
    const std::string path = folder + "/gtk-3.0/settings.ini";
    GKeyFile* file = g_key_file_new();
    bool off = false;
    if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        GError* error = nullptr;
        const gboolean enabled = g_key_file_get_boolean(file, "Settings", "gtk-enable-animations", &error);
        if (error)
            g_error_free(error);
        else {
            *said = true;
            off = !enabled;
        }
    }
    g_key_file_free(file);
    return off;
}

bool gtkSettingsFilesSayOff()
{
    bool said = false;
    const bool userOff = settingsFileSaysOff(g_get_user_config_dir(), &said);
    if (said)
        return userOff;
    for (const gchar* const* folder = g_get_system_config_dirs(); *folder; ++folder) {
        const bool off = settingsFileSaysOff(*folder, &said);
        if (said)
            return off;
    }
    return false;
}

} // namespace

// Read where GTK reads it, without starting GTK itself (a tenth of a second
// before the show's first frame).
bool desktopAsksForLessMotion()
{
    return gnomeAnimationsOff() || gtkSettingsFilesSayOff();
}
