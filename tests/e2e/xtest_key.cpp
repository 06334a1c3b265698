// Presses or releases one key by its keysym name through XTEST, exactly that key and no other
// (xdotool also presses the left twin of a right-hand modifier). Usage: xtest_key down|up KEYSYM
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 3;
    const KeySym sym = XStringToKeysym(argv[2]);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
    if (!code) {
        std::fprintf(stderr, "no key %s\n", argv[2]);
        return 4;
    }
    XTestFakeKeyEvent(d, code, std::strcmp(argv[1], "down") == 0, CurrentTime);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
