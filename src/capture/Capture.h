#pragma once
// Camera and scanner capture: the "Camera" menu item that opens the camera window, and
// the scanner items of the File menu, "Twain Select Source" and "Twain Acquire", which
// scan a picture onto the TX screen through SANE.

#include <QObject>
#include <QString>

namespace interfaces { class Form; }

namespace capture {

class Capture : public QObject {
    Q_OBJECT
public:
    explicit Capture(interfaces::Form& form);

    void selectsource_Click(); // menu "Twain Select Source"
    void acquire_Click(); // menu "Twain Acquire"
    void camera_Click(); // menu "Camera"

    // The scanner chosen with "Twain Select Source" for this session (its SANE name);
    // empty: the first one found.
    QString scannerSource() const { return scannerSource_; }
    // True while a scan is under way.
    bool acquiring() const { return acquiring_; }

private:
    interfaces::Form& form_;
    QString scannerSource_;
    bool acquiring_ = false;
};

} // namespace capture
