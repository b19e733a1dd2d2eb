#pragma once
// A write through the one writer stopped part-way, as by kill -9 or a crash: it runs in a
// child process that the file-size limit's signal ends once the new content reaches
// kKilledAt bytes, so the old file stays and the writer's temporary file is left beside it.

#include "whole_file.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <sys/resource.h>
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

} // namespace testsupport
