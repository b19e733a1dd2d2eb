#include "ptt.h"

#include <hamlib/rig.h>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vareror::lib {

namespace {
RIG *asRig(void *p) { return static_cast<RIG *>(p); }

bool setConf(RIG *rig, const char *name, const std::string &value)
{
    const token_t tok = rig_token_lookup(rig, name);
    return tok != RIG_CONF_END && rig_set_conf(rig, tok, value.c_str()) == RIG_OK;
}

// Hamlib's words for one of its error codes (without its line end).
std::string hamlibText(int code)
{
    std::string text = rigerror2(std::abs(code));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "hamlib error " + std::to_string(code) : text;
}

// Why a port did not open: the system's words where the device file is missing or closed to
// us (hamlib only says "IO error"), else hamlib's. A port not starting with "/" may be a
// network rig's address.
std::string openTrouble(const std::string &port, int code)
{
    struct stat st {};
    if (!port.empty() && port.front() == '/') {
        if (::stat(port.c_str(), &st) != 0 || ::access(port.c_str(), R_OK | W_OK) != 0)
            return std::strerror(errno);
        if (!S_ISCHR(st.st_mode))
            return "not a serial port";
    }
    return hamlibText(code);
}

// Whether an open port has hung up or was closed under us.
bool hungUp(int fd)
{
    if (fd < 0)
        return false;
    pollfd p{fd, 0, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}
} // namespace

const std::vector<RigModel> &rigModels()
{
    static const std::vector<RigModel> models = [] {
        std::vector<RigModel> list;
        rig_set_debug(RIG_DEBUG_NONE);
        rig_load_all_backends();
        rig_list_foreach(
            [](const rig_caps *caps, rig_ptr_t data) {
                auto *out = static_cast<std::vector<RigModel> *>(data);
                out->push_back({int(caps->rig_model), std::string(caps->mfg_name) + " " + caps->model_name});
                return 1;
            },
            &list);
        std::sort(list.begin(), list.end(), [](const RigModel &a, const RigModel &b) {
            return a.name != b.name ? a.name < b.name : a.number < b.number;
        });
        return list;
    }();
    return models;
}

Ptt::~Ptt() { close(); }

void Ptt::fail(const std::string &what)
{
    status_ = "PTT: " + what;
    failed_ = true;
}

// Said once per setting, when the transmitter is first to be keyed without it.
void Ptt::report()
{
    if (failed_ && !reported_) {
        reported_ = true;
        std::fprintf(stderr, "vareror: %s; sending without PTT\n", status_.c_str());
    }
}

void Ptt::open(const std::string &method, const std::string &port, int rigModel, int speed)
{
    close();
    method_ = method;
    reported_ = failed_ = false;
    if (method == "none" || method.empty()) {
        status_ = "PTT: none";
        return;
    }
    rig_set_debug(RIG_DEBUG_NONE);
    const bool serialLine = method == "rts" || method == "dtr";
    if (!serialLine && method != "cat") {
        fail("unknown method \"" + method + "\"");
        return;
    }
    if (serialLine && port.empty()) {
        fail("no serial port set for " + method);
        return;
    }
    RIG *rig = rig_init(serialLine ? RIG_MODEL_DUMMY : rig_model_t(rigModel));
    if (!rig) {
        fail("unknown rig model " + std::to_string(rigModel));
        return;
    }
    bool ok = true;
    if (serialLine) {
        ok = setConf(rig, "ptt_type", method == "rts" ? "RTS" : "DTR") &&
             setConf(rig, "ptt_pathname", port);
    } else {
        // The speed is the port's: a rig without a port (hamlib's own dummy, a network rig)
        // has none to set.
        ok = setConf(rig, "ptt_type", "RIG") &&
             (port.empty() || (setConf(rig, "rig_pathname", port) &&
                               (speed <= 0 || setConf(rig, "serial_speed", std::to_string(speed)))));
    }
    const int opened = ok ? rig_open(rig) : -RIG_ECONF;
    if (opened != RIG_OK) {
        rig_cleanup(rig);
        fail("cannot open " +
             (serialLine ? method + " on " + port
                         : "rig model " + std::to_string(rigModel) + (port.empty() ? "" : " on " + port)) +
             " (" + openTrouble(port, opened) + ")");
        return;
    }
    rig_ = rig;
    port_ = port;
    what_ = serialLine ? method + " on " + port
                       : "CAT, rig model " + std::to_string(rigModel) + (port.empty() ? "" : " on " + port);
    status_ = "PTT: " + what_;
    // A line or rig left keyed by an earlier crash is released now.
    rig_set_ptt(rig, RIG_VFO_CURR, RIG_PTT_OFF);
}

void Ptt::release()
{
    if (rig_) {
        rig_close(asRig(rig_));
        rig_cleanup(asRig(rig_));
        rig_ = nullptr;
    }
}

void Ptt::close()
{
    if (rig_ && keyed_)
        rig_set_ptt(asRig(rig_), RIG_VFO_CURR, RIG_PTT_OFF);
    release();
    keyed_ = false;
}

bool Ptt::set(bool on)
{
    if (on == keyed_)
        return true;
    keyed_ = on;
    bool done = method_ == "none" || method_.empty();
    if (rig_) {
        const int r = rig_set_ptt(asRig(rig_), RIG_VFO_CURR, on ? RIG_PTT_ON : RIG_PTT_OFF);
        done = r == RIG_OK;
        if (!done)
            fail((on ? "cannot key " : "cannot release ") + what_ + " (" + hamlibText(r) + ")");
    }
    if (on)
        report();
    return done;
}

bool Ptt::portGone()
{
    if (!rig_)
        return false;
    const rig_state &state = asRig(rig_)->state;
    const bool serialLine = method_ == "rts" || method_ == "dtr";
    if (!hungUp(serialLine ? state.pttport.fd : state.rigport.fd))
        return false;
    release();
    fail(what_ + " went away (" + (::access(port_.c_str(), F_OK) != 0 ? "the port is gone" : "the port hung up") + ")");
    return true;
}

bool Ptt::queryRig(bool &on)
{
    if (!rig_)
        return false;
    ptt_t state = RIG_PTT_OFF;
    if (rig_get_ptt(asRig(rig_), RIG_VFO_CURR, &state) != RIG_OK)
        return false;
    on = state != RIG_PTT_OFF;
    return true;
}

} // namespace vareror::lib
