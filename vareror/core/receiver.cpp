#include "receiver.h"

namespace vareror::core {

class RxEngine {
public:
    explicit RxEngine(double rate) : rate(rate) {}
    double rate;
    RxOptions opts;
    int lms = 0;
    double notch = 0;
    uint64_t consumed = 0;
    RgbImage pic{320, 256};
};

Receiver::Receiver(double sampleRate) : d(std::make_unique<RxEngine>(sampleRate)) {}
Receiver::~Receiver() = default;
void Receiver::setOptions(const RxOptions &o) { d->opts = o; }
RxOptions Receiver::options() const { return d->opts; }
void Receiver::setLms(int mode) { d->lms = mode; }
int Receiver::lms() const { return d->lms; }
void Receiver::setNotch(double hz) { d->notch = hz; }
double Receiver::notch() const { return d->notch; }
void Receiver::process(const float *, size_t n) { d->consumed += n; }
unsigned Receiver::takeEvents() { return 0; }
void Receiver::startScan(int) {}
void Receiver::stopScan() {}
bool Receiver::receiving() const { return false; }
int Receiver::mode() const { return 6; }
int Receiver::linesReceived() const { return 0; }
const RgbImage &Receiver::picture() const { return d->pic; }
int Receiver::dirtyFrom() const { return 0; }
int Receiver::dirtyTo() const { return 0; }
void Receiver::clearDirty() {}
std::string Receiver::fskId() const { return {}; }
bool Receiver::resync() { return false; }
bool Receiver::correctSlant() { return false; }
double Receiver::slantPpm() const { return 0; }
double Receiver::sampleRate() const { return d->rate; }
double Receiver::pictureStartSeconds() const { return 0; }
double Receiver::tuningOffsetHz() const { return 0; }
uint64_t Receiver::samplesProcessed() const { return d->consumed; }

} // namespace vareror::core
