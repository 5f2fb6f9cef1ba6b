// A result left unread must not compile quietly: built with warnings as errors, this fails
// unless KEEP_RESULT reads it.
#include <tessaly/tessaly.h>

int main() {
#ifdef KEEP_RESULT
    return tessaly::write("1").failure == tessaly::Failure::None ? 0 : 1;
#else
    tessaly::write("1");
    return 0;
#endif
}
