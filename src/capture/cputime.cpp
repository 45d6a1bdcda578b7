// CPU time for the capture's figures: the calling thread's, the whole
// process's, and that of threads named by their ids, read from /proc.
#include <cstdio>
#include <cstring>
#include <ctime>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "capture.h"

static double clockSeconds(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

double threadCpuNow() { return clockSeconds(CLOCK_THREAD_CPUTIME_ID); }

double processCpuNow() { return clockSeconds(CLOCK_PROCESS_CPUTIME_ID); }

std::vector<int> processThreads() {
    std::vector<int> ids;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ids.push_back(atoi(e->d_name));
        closedir(d);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<int> threadsStarted(const std::vector<int>& before, const std::vector<int>& after) {
    std::vector<int> started;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(started));
    return started;
}

double threadsCpu(const std::vector<int>& ids) {
    static const double tick = 1.0 / (double)sysconf(_SC_CLK_TCK);
    double sum = 0;
    for (int id : ids) {
        std::string path = "/proc/self/task/" + std::to_string(id) + "/stat";
        FILE* f = fopen(path.c_str(), "r");
        if (!f) continue;  // ended since
        char buf[1024];
        size_t n = fread(buf, 1, sizeof buf - 1, f);
        fclose(f);
        buf[n] = 0;
        // The name in parentheses may hold spaces: the fields count from the
        // last ')'. After it come the state (field 3), ..., utime (14), stime (15).
        const char* p = strrchr(buf, ')');
        unsigned long long utime = 0, stime = 0;
        if (p && sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                        &stime) == 2)
            sum += (double)(utime + stime) * tick;
    }
    return sum;
}
