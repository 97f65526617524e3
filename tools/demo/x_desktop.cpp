// larkspin-x-desktop: what a person does to the desktop window on an X server, for the check of
// the demo in a virtual X server (DISPLAY).
//
//   larkspin-x-desktop cover   covers the whole X screen with another window for a moment, then
//                              takes it away: the windows below must paint themselves again
//   larkspin-x-desktop close   closes every named top-level window as a window manager's close
//                              button does (WM_DELETE_WINDOW)
//
// Exit status: 0 done, 1 no X server or no window to close, 2 usage.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

int Cover(Display* dpy) {
    int screen = DefaultScreen(dpy);
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.background_pixel = WhitePixel(dpy, screen);
    Window cover = XCreateWindow(dpy, RootWindow(dpy, screen), 0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen),
                                 0, CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
    XMapRaised(dpy, cover);
    XSync(dpy, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    XDestroyWindow(dpy, cover);
    XSync(dpy, False);
    return 0;
}

int Close(Display* dpy) {
    Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    Atom del = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    Window root = DefaultRootWindow(dpy), parent = 0, *kids = nullptr;
    unsigned int count = 0;
    int closed = 0;
    if (XQueryTree(dpy, root, &root, &parent, &kids, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            char* name = nullptr;
            if (!XFetchName(dpy, kids[i], &name) || !name) continue;
            std::printf("closing \"%s\"\n", name);
            XFree(name);
            XEvent ev{};
            ev.xclient.type = ClientMessage;
            ev.xclient.window = kids[i];
            ev.xclient.message_type = protocols;
            ev.xclient.format = 32;
            ev.xclient.data.l[0] = static_cast<long>(del);
            ev.xclient.data.l[1] = CurrentTime;
            XSendEvent(dpy, kids[i], False, NoEventMask, &ev);
            ++closed;
        }
        if (kids) XFree(kids);
    }
    XSync(dpy, False);
    return closed > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "cover") != 0 && std::strcmp(argv[1], "close") != 0)) {
        std::fputs("usage: larkspin-x-desktop cover | close\n", stderr);
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fputs("larkspin-x-desktop: no X server (DISPLAY)\n", stderr);
        return 1;
    }
    int rc = std::strcmp(argv[1], "cover") == 0 ? Cover(dpy) : Close(dpy);
    XCloseDisplay(dpy);
    return rc;
}
