#pragma once
// A write through the one writer stopped part-way, as by kill -9 or a crash: it runs in a
// child process that the file-size limit's signal ends once the new content reaches
// kKilledAt bytes, so the old file stays and the writer's temporary file is left beside it.
// Or stopped at the very first change it makes to a file (killAtFirstChange).

#include "whole_file.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <cstddef>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

constexpr rlim_t kKilledAt = 4096;

// Whether the write of `path` was stopped so.
inline bool killedWrite(const QString& path)
{
    const std::string target = QFile::encodeName(path).toStdString();
    const std::string content(2 * kKilledAt, 'n');
    const pid_t child = ::fork();
    if (child == 0) {
        const struct rlimit noCore{0, 0}, small{kKilledAt, kKilledAt};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        vareror::files::writeWholeFile(target, content.data(), content.size());
        ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

// From now on, the first system call of this process that changes a file it has open (its
// mode, its content) kills the process, as a kill -9 would at that moment. For a child
// process only. False when such a filter cannot be set here.
inline bool killAtFirstChange()
{
#if defined(__x86_64__)
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fchmod, 4, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_write, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_pwrite64, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fallocate, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    return false;
#endif
}

} // namespace testsupport
