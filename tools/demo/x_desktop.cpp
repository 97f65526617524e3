// larkspin-x-desktop: what a person does to the desktop window on an X server, for the check of
// the demo in a virtual X server (DISPLAY).
//
//   larkspin-x-desktop cover   covers the whole X screen with another window for a moment, then
//                              takes it away: the windows below must paint themselves again
//   larkspin-x-desktop close   closes every named top-level window as a window manager's close
//                              button does (WM_DELETE_WINDOW)
//   larkspin-x-desktop tap X Y SCALE
//                              the mouse moves to device point X,Y of the desktop window (scaled
//                              by SCALE) and clicks there
//
// Exit status: 0 done, 1 no X server or no window, 2 usage.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

int Cover(Display* dpy) {
  int screen = DefaultScreen(dpy);
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  attrs.background_pixel = WhitePixel(dpy, screen);
  Window cover =
      XCreateWindow(dpy, RootWindow(dpy, screen), 0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen), 0,
                    CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
  XMapRaised(dpy, cover);
  XSync(dpy, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  XDestroyWindow(dpy, cover);
  XSync(dpy, False);
  return 0;
}

// The first named top-level window: the desktop window (the only one on the test's X server).
Window DesktopWindow(Display* dpy) {
  Window root = DefaultRootWindow(dpy), parent = 0, *kids = nullptr, found = 0;
  unsigned int count = 0;
  if (XQueryTree(dpy, root, &root, &parent, &kids, &count)) {
    for (unsigned int i = 0; i < count && !found; ++i) {
      char* name = nullptr;
      if (XFetchName(dpy, kids[i], &name) && name) {
        found = kids[i];
        XFree(name);
      }
    }
    if (kids) XFree(kids);
  }
  return found;
}

// The pointer event `e` (motion or button) at x,y of window w.
template <typename E>
void Place(E& e, int type, Display* dpy, Window w, int x, int y) {
  e.type = type;
  e.display = dpy;
  e.window = w;
  e.root = DefaultRootWindow(dpy);
  e.x = x;
  e.y = y;
  e.same_screen = True;
}

int Tap(Display* dpy, int x, int y) {
  Window w = DesktopWindow(dpy);
  if (!w) return 1;
  XEvent ev{};
  Place(ev.xmotion, MotionNotify, dpy, w, x, y);
  XSendEvent(dpy, w, True, PointerMotionMask, &ev);
  for (int type : {ButtonPress, ButtonRelease}) {
    XEvent b{};
    Place(b.xbutton, type, dpy, w, x, y);
    b.xbutton.button = Button1;
    b.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
    XSendEvent(dpy, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &b);
    XSync(dpy, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
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
  const bool tap = argc == 5 && std::strcmp(argv[1], "tap") == 0;
  if (!tap && (argc != 2 || (std::strcmp(argv[1], "cover") != 0 && std::strcmp(argv[1], "close") != 0))) {
    std::fputs("usage: larkspin-x-desktop cover | close | tap X Y SCALE\n", stderr);
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fputs("larkspin-x-desktop: no X server (DISPLAY)\n", stderr);
    return 1;
  }
  int rc = tap ? Tap(dpy, std::atoi(argv[2]) * std::atoi(argv[4]), std::atoi(argv[3]) * std::atoi(argv[4]))
           : std::strcmp(argv[1], "cover") == 0 ? Cover(dpy)
                                                : Close(dpy);
  XCloseDisplay(dpy);
  return rc;
}
