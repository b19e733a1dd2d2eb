#include "platform/widgets/WindowHandles.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

struct Registry {
    QHash<int, QPointer<QWidget>> byHandle;
    int next = 1;
};

Registry& registry()
{
    static Registry r;
    return r;
}

const char* const HandleProperty = "tovaroWindowHandle";

} // namespace

int hWnd(QWidget* widget)
{
    if (!widget)
        return 0;
    const QVariant known = widget->property(HandleProperty);
    if (known.isValid())
        return known.toInt();
    Registry& r = registry();
    const int handle = r.next++;
    r.byHandle.insert(handle, widget);
    widget->setProperty(HandleProperty, handle);
    return handle;
}

QWidget* windowOfHandle(int handle)
{
    Registry& r = registry();
    const auto it = r.byHandle.constFind(handle);
    if (it == r.byHandle.constEnd())
        return nullptr;
    if (!*it) {
        r.byHandle.remove(handle);
        return nullptr;
    }
    return it->data();
}

bool GetWindowRect(int handle, QRect& rect)
{
    QWidget* widget = windowOfHandle(handle);
    if (!widget)
        return false;
    rect = widget->geometry();
    return true;
}

} // namespace platform
