#include "app/shell.h"
#include "platform/platform.h"

int main(int argc, char** argv)
{
    PlatformEnterGameDirectory(argc > 0 ? argv[0] : nullptr);
    return GameMain();
}
