#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, this process may write files up to Bytes long; a longer
// write fails with EFBIG ("File too large") instead of ending the process,
// as on a full disk, without root.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t Bytes)
    {
        struct sigaction Ignore = {};
        Ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &Ignore, &FOldAction);
        getrlimit(RLIMIT_FSIZE, &FSaved);
        rlimit Limit = FSaved;
        Limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &Limit);
    }
    ~ScopedFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        sigaction(SIGXFSZ, &FOldAction, nullptr);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit FSaved {};
    struct sigaction FOldAction { };
};
