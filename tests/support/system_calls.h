// Leak checking is for our own code. What the system's libraries allocate
// while a test sets up or tears down what it borrows from them (an X display
// and a GLX context, say) and then keep, or lose, is theirs: a test makes
// those calls inside a SystemLibraryCalls scope, where LeakSanitizer does not
// record this thread's allocations. So no result depends on how far an
// unwinder can follow a stack into those libraries (their code has no frame
// pointers, and some of it is generated at run time), which differs from one
// machine to the next. The code under test runs outside such a scope.
#ifndef QUON_TEST_SYSTEM_CALLS_H
#define QUON_TEST_SYSTEM_CALLS_H

#if defined(__SANITIZE_ADDRESS__)
#define QUON_TEST_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define QUON_TEST_LSAN 1
#endif
#endif

#ifdef QUON_TEST_LSAN
#include <sanitizer/lsan_interface.h>
#endif

class SystemLibraryCalls {
public:
    SystemLibraryCalls() { recordLeaks(false); }
    ~SystemLibraryCalls() { recordLeaks(true); }
    SystemLibraryCalls(const SystemLibraryCalls&) = delete;
    SystemLibraryCalls& operator=(const SystemLibraryCalls&) = delete;

private:
    static void recordLeaks(bool on) {
#ifdef QUON_TEST_LSAN
        if (on)
            __lsan_enable();
        else
            __lsan_disable();
#else
        (void)on;
#endif
    }
};

#endif
