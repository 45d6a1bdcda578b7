/* Stepped clocks, for runs that must come out the same every time: the
 * capture's frame clock, the page's test mode and the tests' frame clock.
 * Frame n reads startS seconds plus n steps of num/den seconds. The reading is
 * formed from n each time, so no error adds up over a long run. Plain C, so
 * that the tests' preloaded clock library (C) takes it too. */
#ifndef QUON_STEPCLOCK_H
#define QUON_STEPCLOCK_H

/* A reading as whole seconds and the rest, in 1/den of a second (with den
 * 1000000: as gettimeofday gives it). */
typedef struct {
    long long sec;
    long long rest;
} StepTime;

static inline StepTime stepClockAt(long long n, long long startS, long long num, long long den) {
    long long t = n * num;
    StepTime r = {startS + t / den, t % den};
    return r;
}

/* The same reading in seconds, formed as the Linux clock forms it from whole
 * seconds and microseconds. */
static inline double stepClockSeconds(long long n, long long startS, long long num, long long den) {
    StepTime t = stepClockAt(n, startS, num, den);
    return (double)t.sec + (double)t.rest / (double)den;
}

#endif
