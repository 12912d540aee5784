// The browser's entry point. The frame loop returns here long after the page
// first called main (Asyncify resumed it many times), when the runtime no
// longer waits for its result: the page is told of the end here.
#include <emscripten.h>

#include "app/shell.h"
#include "platform/platform.h"

EM_JS(void, TellPageEnded, (int code), {
    if (Module.onExit) Module.onExit(code);
});

int main(int, char** argv)
{
    PlatformEnterGameDirectory(argv[0]);
    int code = GameMain();
    TellPageEnded(code);
    return code;
}
