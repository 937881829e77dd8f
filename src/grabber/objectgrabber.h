// The object grabber: a window in which the user opens a C64 picture (or
// an image, matched to the C64's colours, its clashing cells framed), marks
// a rectangle of whole cells on it with the left button and turns it into a
// new object of the project with the right button, or writes it into the
// object selected in the main window. The picture's file is watched: when a
// paint program saves it, it is read again, and the last replace can follow. Built once, hidden;
// its picture, selection, zoom and transparency choice last as long as it does. The picture scrolls
// where the zoom makes it larger than the window allows, can show the grid of cells, and the status
// bar names the cell and pixel under the pointer.
#pragma once

#include <array>
#include <cstdint>
#include <gtk/gtk.h>
#include <span>
#include <string>

#include <gio/gio.h>
#include <vector>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "grabber/objectgrabber_selection.h"
#include "ui/context.h"

class GrabberWindow
{
  public:
    // Builds the window with every widget and signal connection, hidden,
    // with the project's objects in its icon view.
    explicit GrabberWindow(UiContext &context);
    // Destroys the window.
    ~GrabberWindow();
    GrabberWindow(const GrabberWindow &) = delete;
    GrabberWindow &operator=(const GrabberWindow &) = delete;

    GtkWidget *window() const { return window_.get(); }
    // Shows the window over the main window.
    void show();
    // The grid of cells was switched elsewhere: the check button follows
    // without calling back, and the picture is drawn again.
    void set_show_grid(bool on);
    bool show_grid() const { return show_grid_; }

    // Decodes a picture file into the grabber; on failure the decoder's
    // message in an error dialog and the previous picture stays.
    bool open_picture(const char *path);
    // Grabs the selection as a new object, with the transparency chosen in
    // the window; "Failed to import object" when the project cannot take
    // it. True when an object was added.
    bool grab();
    // Writes the selection into the object selected in the main window,
    // keeping its index ("Replace object N"); says why not in the status
    // bar or a dialog. True when the object was replaced.
    bool replace_selected();
    // Reads the open picture's file again, keeping the selection (after
    // the file changed on disk); with "Replace again on change" the last
    // replace follows. False when it cannot be read (the picture stays).
    bool reload_picture();
    // The colour an image's background is taken as (-1: its most frequent).
    void set_image_background(int colour);

    // What the grabber holds (tests and tools read it).
    const GrabberSelection &selection() const { return selection_; }
    int transparent_colour() const { return transparent_; }
    int zoom() const { return zoom_; }
    bool picture_loaded() const { return loaded_; }
    std::span<const uint8_t> hires_data() const { return hires_; }
    int background() const { return background_; }
    // The cells of an image that had to change colour.
    const std::vector<int> &clashes() const { return clashes_; }
    // The latest message of the status bar.
    const std::string &said() const { return said_; }
    // The unzoomed picture the area shows, or null before its first configure.
    GdkPixbuf *canvas() const { return canvas_.get(); }

  private:
    // Creates the widgets (objectgrabber_interface.cpp).
    static GtkWidget *build();
    void connect_signals();

    GtkWidget *widget(const char *name) const;
    void show_error(const char *text);
    void refresh_canvas();
    void update_selection_details();
    bool custom_colour_chosen() const;
    void show_last_object();
    void set_zoom(GtkButton *button, int zoom);
    // One zoom step in (step > 0) or out, through the radio buttons.
    void zoom_by(int step);
    void show_pointer(const std::string &text);
    void say(const std::string &text);
    bool read_picture(const char *path, bool keep_selection);
    void watch_picture();
    void stop_watching();

    gboolean on_delete_event(GtkWidget *widget, GdkEvent *event);
    gboolean on_key_press_event(GtkWidget *widget, GdkEventKey *event);
    void on_open_picture_activate(GtkMenuItem *item);
    gboolean on_picture_configure_event(GtkWidget *widget, GdkEventConfigure *event);
    gboolean on_picture_expose_event(GtkWidget *widget, GdkEventExpose *event);
    gboolean on_picture_button_press_event(GtkWidget *widget, GdkEventButton *event);
    gboolean on_picture_motion_notify_event(GtkWidget *widget, GdkEventMotion *event);
    gboolean on_palette_expose_event(GtkWidget *widget, GdkEventExpose *event);
    gboolean on_palette_button_press_event(GtkWidget *widget, GdkEventButton *event);
    void on_zoom_4_clicked(GtkButton *button);
    void on_zoom_2_clicked(GtkButton *button);
    void on_zoom_1_clicked(GtkButton *button);
    void on_show_grid_toggled(GtkToggleButton *button);
    gboolean on_picture_scroll_event(GtkWidget *widget, GdkEventScroll *event);
    gboolean on_picture_leave_notify_event(GtkWidget *widget, GdkEventCrossing *event);
    void on_replace_clicked(GtkButton *button);
    void on_background_changed(GtkComboBox *combo);

    UiContext &context_;
    // Our own reference: the pointer stays good until the destructor.
    GRef<GtkWidget> window_;
    GtkWidget *picture_area_ = nullptr;
    // Bitmap, screen and colour of the current picture.
    std::array<uint8_t, kHiresDataSize> hires_{};
    // The decoded picture, shown unzoomed in the canvas.
    GRef<GdkPixbuf> picture_;
    // A picture was decoded at least once.
    bool loaded_ = false;
    GRef<GdkPixbuf> canvas_;
    int transparent_ = 0;
    GrabberSelection selection_;
    int zoom_ = 0;
    bool show_grid_ = false;
    gulong show_grid_handler_ = 0;
    int background_ = 0;
    std::vector<int> clashes_;
    std::string said_;
    // The picture's file, watched while it is open here.
    std::string path_;
    bool from_image_ = false;
    int image_background_ = -1;
    GRef<GFileMonitor> monitor_;
    // The last replace, for "Replace again on change".
    struct Replace
    {
        int item = -1;
        ZbxRect region{};
        int transparent = -1;
    } last_replace_;
};
