// The browser's entry point. The frame loop returns here long after the page
// first called main (Asyncify resumed it many times), when the runtime no
// longer waits for its result: the page is told of the end here.
#include <emscripten.h>

#include "app/options.h"

// clang-format off
EM_JS(void, TellPageEnded, (int code), {
    if (Module.onExit) Module.onExit(code);
});
// clang-format on

int main(int argc, char** argv)
{
    int code = RunGame(argc, argv);
    TellPageEnded(code);
    return code;
}
