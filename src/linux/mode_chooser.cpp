// The chooser window in GTK 3. The widgets only forward clicks to the
// ModeChoice that run() returns; what a click decides lives with it.
#include "platform/mode_chooser.h"

#include <gtk/gtk.h>

#include <cstdio>

namespace {

constexpr const char* title = "kelvo mardunqist";
constexpr int clientSize = 200;

struct Control {
    ChooserControl id;
    const char* label;
    int x, y, width, height;
};

// In creation order; the three resolutions form one radio group.
constexpr Control controls[] = {
    {chooseMode640x480, "640x480", 50, 20, 200, 20},
    {chooseMode800x600, "800x600", 50, 40, 200, 20},
    {chooseMode1024x768, "1024x768", 50, 60, 200, 20},
    {chooseWindowed, "windowed", 50, 90, 200, 20},
    {choosePlay, "play", 0, 130, 96, 30},
    {chooseExit, "exit", 96, 130, 96, 30},
};

// Theme padding would make the controls taller than their table sizes; drop
// it so each control gets exactly the rectangle it is given.
constexpr const char* compactCss =
    "button, radiobutton, checkbutton { min-height: 0; min-width: 0;"
    " padding: 0; margin: 0; }"
    "button { padding: 0 4px; }"
    "radio, check { margin: 0 4px 0 0; }";

// Each control carries its id; every signal carries the choice it changes.
constexpr const char* controlKey = "mardunqist-control";

void setControlId(GtkWidget* widget, ChooserControl id)
{
    g_object_set_data(G_OBJECT(widget), controlKey, GINT_TO_POINTER(static_cast<int>(id)));
}

int controlId(gpointer widget)
{
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), controlKey));
}

ModeChoice& choiceOf(gpointer data)
{
    return *static_cast<ModeChoice*>(data);
}

// A GtkFixed that asks for the client area only: the first four controls reach
// past its right edge and are clipped there instead of widening the window.
struct ClientFixed {
    GtkFixed parent;
};

struct ClientFixedClass {
    GtkFixedClass parentClass;
};

G_DEFINE_TYPE(ClientFixed, client_fixed, GTK_TYPE_FIXED)

void clientFixedWidth(GtkWidget*, gint* minimum, gint* natural)
{
    *minimum = *natural = clientSize;
}

void clientFixedHeight(GtkWidget*, gint* minimum, gint* natural)
{
    *minimum = *natural = clientSize;
}

void client_fixed_class_init(ClientFixedClass* klass)
{
    GtkWidgetClass* widgetClass = GTK_WIDGET_CLASS(klass);
    widgetClass->get_preferred_width = clientFixedWidth;
    widgetClass->get_preferred_height = clientFixedHeight;
}

void client_fixed_init(ClientFixed*)
{
}

// Radio buttons: only the one becoming active counts, so the last clicked wins.
void onRadioToggled(GtkToggleButton* button, gpointer data)
{
    if (gtk_toggle_button_get_active(button))
        choiceOf(data).click(controlId(button));
}

// The check box: every change of its mark is one toggle of "windowed".
void onCheckToggled(GtkToggleButton* button, gpointer data)
{
    choiceOf(data).click(controlId(button));
}

void onButtonClicked(GtkButton* button, gpointer data)
{
    choiceOf(data).click(controlId(button));
}

// The close box ends the chooser like "exit"; the window goes after the loop.
gboolean onDeleteEvent(GtkWidget*, GdkEvent*, gpointer data)
{
    choiceOf(data).close();
    return TRUE;
}

void applyCompactStyle(GtkWidget* window)
{
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, compactCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

GtkWidget* makeControl(const Control& control, GtkWidget** radioGroupLeader, ModeChoice* choice)
{
    switch (control.id) {
    case chooseMode640x480:
    case chooseMode800x600:
    case chooseMode1024x768: {
        GtkWidget* radio = *radioGroupLeader
                               ? gtk_radio_button_new_with_label_from_widget(
                                     GTK_RADIO_BUTTON(*radioGroupLeader), control.label)
                               : gtk_radio_button_new_with_label(nullptr, control.label);
        if (!*radioGroupLeader) {
            *radioGroupLeader = radio;
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio), TRUE);
        }
        g_signal_connect(radio, "toggled", G_CALLBACK(onRadioToggled), choice);
        return radio;
    }
    case chooseWindowed: {
        GtkWidget* check = gtk_check_button_new_with_label(control.label);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), FALSE);
        g_signal_connect(check, "toggled", G_CALLBACK(onCheckToggled), choice);
        return check;
    }
    case choosePlay:
    case chooseExit:
    default: {
        GtkWidget* button = gtk_button_new_with_label(control.label);
        g_signal_connect(button, "clicked", G_CALLBACK(onButtonClicked), choice);
        return button;
    }
    }
}

// Handles what GTK still has queued and waits for the X server, so the
// chooser is really gone before the show opens its own window.
void drainEvents()
{
    gdk_display_sync(gdk_display_get_default());
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

} // namespace

namespace ModeChooser {

std::optional<ModeChoice> run()
{
    // GTK would otherwise switch the whole program to the user's locale.
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "mardunqist: cannot open a display for the chooser\n");
        return std::nullopt;
    }

    ModeChoice choice;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_window_set_keep_above(GTK_WINDOW(window), TRUE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    g_signal_connect(window, "delete-event", G_CALLBACK(onDeleteEvent), &choice);
    applyCompactStyle(window);

    GtkWidget* fixed = GTK_WIDGET(g_object_new(client_fixed_get_type(), nullptr));
    gtk_container_add(GTK_CONTAINER(window), fixed);

    GtkWidget* radioGroupLeader = nullptr;
    for (const Control& control : controls) {
        GtkWidget* widget = makeControl(control, &radioGroupLeader, &choice);
        setControlId(widget, control.id);
        gtk_widget_set_size_request(widget, control.width, control.height);
        gtk_fixed_put(GTK_FIXED(fixed), widget, control.x, control.y);
    }

    gtk_widget_show_all(window);

    // Blocks until a click or the close box ends the choice.
    while (choice.open)
        gtk_main_iteration();

    gtk_widget_destroy(window);
    drainEvents();
    return choice;
}

} // namespace ModeChooser
