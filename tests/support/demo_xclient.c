/* demo_xclient ACTION WINDOW-ID
 * Acts on another client's window the way a window manager would:
 *   delete      send the WM_DELETE_WINDOW protocol message
 *   takefocus   send the WM_TAKE_FOCUS protocol message (must be ignored)
 *   otheratom   send a client message of another type carrying WM_DELETE_WINDOW
 *   destroy     destroy the window
 * Exit status 0 when the request reached the server. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <X11/Xlib.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s delete|takefocus|otheratom|destroy WINDOW-ID\n", argv[0]);
        return 2;
    }
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "%s: no display\n", argv[0]);
        return 1;
    }
    Window w = (Window)strtoul(argv[2], NULL, 0);
    const char* action = argv[1];

    if (strcmp(action, "destroy") == 0) {
        XDestroyWindow(dpy, w);
    } else {
        XEvent ev;
        memset(&ev, 0, sizeof ev);
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.format = 32;
        ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        ev.xclient.data.l[1] = CurrentTime;
        if (strcmp(action, "delete") == 0) {
            ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
        } else if (strcmp(action, "takefocus") == 0) {
            ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_TAKE_FOCUS", False);
        } else if (strcmp(action, "otheratom") == 0) {
            ev.xclient.message_type = XInternAtom(dpy, "QUON_TEST_MESSAGE", False);
            ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
        } else {
            fprintf(stderr, "%s: unknown action %s\n", argv[0], action);
            return 2;
        }
        XSendEvent(dpy, w, False, NoEventMask, &ev);
    }
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return 0;
}
