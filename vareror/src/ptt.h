#pragma once
// Keying the transmitter through hamlib: none, the RTS or DTR line of a serial port, or the
// CAT command of a rig model on a port. A PTT that cannot be opened or keyed, or whose port
// goes away while it is open, says so in its status, naming the port and the reason (once
// on stderr as well), and sending goes on without it.

#include <string>
#include <vector>

namespace vareror::lib {

// Hamlib's rig models for CAT PTT: number and "maker model", sorted by that name.
struct RigModel {
    int number;
    std::string name;
};
const std::vector<RigModel> &rigModels();

class Ptt {
public:
    Ptt() = default;
    ~Ptt();
    Ptt(const Ptt &) = delete;
    Ptt &operator=(const Ptt &) = delete;

    // method: none, rts, dtr, cat. Closes what was open (released) first. speed: the CAT
    // port's serial speed, 0 for the rig's default.
    void open(const std::string &method, const std::string &port, int rigModel, int speed = 0);
    void close();
    // No-op when unchanged. False when the line could not be set as asked (the PTT did not
    // open, or the rig refused): the transmitter is not keyed (or not released) by it.
    bool set(bool on);
    // While open: whether its port has gone away (unplugged, a pseudo-terminal's other end
    // closed). A port gone is let go, and the PTT counts as failed from then on.
    bool portGone();
    bool keyed() const { return keyed_; }
    bool failed() const { return failed_; }
    // The rig's own answer (true when keyed); false without a rig.
    bool queryRig(bool &on);
    const std::string &status() const { return status_; }

private:
    void fail(const std::string &what);
    void report();
    void release();
    void *rig_ = nullptr;
    bool keyed_ = false, failed_ = false, reported_ = false;
    std::string method_ = "none", status_ = "PTT: none";
    std::string what_;               // "rts on /dev/ttyUSB0", "CAT, rig model 1 on ..."
    std::string port_;
};

} // namespace vareror::lib
