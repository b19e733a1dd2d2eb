#pragma once
// The desktop's trash inside a test's own folder: while it lives, the home folder and the
// data folder are `folder`, so a file under it goes to `folder`/Trash (the trash of the
// home folder's file system), never to the user's.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

namespace testsupport {

class TrashHome {
public:
    explicit TrashHome(const QString& folder) : folder_(folder)
    {
        for (Saved* s : {&home_, &data_}) {
            s->was = qEnvironmentVariableIsSet(s->name);
            s->value = qgetenv(s->name);
            qputenv(s->name, QFile::encodeName(folder));
        }
    }
    ~TrashHome()
    {
        for (Saved* s : {&home_, &data_}) {
            if (s->was)
                qputenv(s->name, s->value);
            else
                qunsetenv(s->name);
        }
    }
    TrashHome(const TrashHome&) = delete;
    TrashHome& operator=(const TrashHome&) = delete;

    QString filesPath(const QString& name) const { return folder_ + QStringLiteral("/Trash/files/") + name; }
    QString infoPath(const QString& name) const
    {
        return folder_ + QStringLiteral("/Trash/info/") + name + QStringLiteral(".trashinfo");
    }

private:
    struct Saved {
        const char* name;
        bool was = false;
        QByteArray value;
    };
    QString folder_;
    Saved home_{"HOME", false, {}};
    Saved data_{"XDG_DATA_HOME", false, {}};
};

} // namespace testsupport
