#pragma once
// The leak checker of the sanitizer build (LeakSanitizer), where there is one.
// It counts a block as lost when no pointer to it remains, which is wrong for
// the few libraries that reach their blocks through offsets: fontconfig's
// configuration, for one, is held for the whole process but its parts look
// lost to the checker. Without the sanitizers all of this does nothing.

#if defined(__SANITIZE_ADDRESS__)
#define PICTOR_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTOR_LEAK_CHECK 1
#endif
#endif

#ifdef PICTOR_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace pictor {

// While one lives, the blocks allocated are not counted as lost: for the
// one-time allocations of an object held until the process ends.
class TLeakCheckPause {
public:
#ifdef PICTOR_LEAK_CHECK
    TLeakCheckPause() { __lsan_disable(); }
    ~TLeakCheckPause() { __lsan_enable(); }
#else
    TLeakCheckPause() {}
    ~TLeakCheckPause() {}
#endif
    TLeakCheckPause(const TLeakCheckPause&) = delete;
    TLeakCheckPause& operator=(const TLeakCheckPause&) = delete;
};

// Whether this build has the leak checker.
constexpr bool HasLeakCheck()
{
#ifdef PICTOR_LEAK_CHECK
    return true;
#else
    return false;
#endif
}

// Checks for lost blocks now, reporting them as at exit; true when some
// were found. Always false without the leak checker.
inline bool LeaksFoundNow()
{
#ifdef PICTOR_LEAK_CHECK
    return __lsan_do_recoverable_leak_check() != 0;
#else
    return false;
#endif
}

} // namespace pictor
