// The virtual keyboard behind /dev/uhid. The model (command processor, memory, state file, events, faults,
// control channel) is the one Quorvex's virtual keyboard runs; this file only carries its reports: an output
// report the system writes (UHID_OUTPUT) goes to the model as a command or the bank indicator, and what the
// model delivers to its subscribers (answers, consumer events) goes back as input reports (UHID_INPUT2).
// Pulling the model out through its control channel (kvsim detach) destroys the uhid device, plugging it in
// creates it again: to the system, an unplug and a replug.
//
// Threads: the main thread reads /dev/uhid and the signals, and writes the model's commands (a command's
// write runs it); the model's own thread delivers answers, events and presence changes to the callbacks here,
// which write to /dev/uhid; the control channel's thread is the model's. writeMu guards writes to /dev/uhid
// and `created`, so a presence change never interleaves with an input report.
#include "uhid_keyboard.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "virtual/keyboard_descriptor.h"
#include "virtual/virtual_keyboard.h"

namespace kvsim {
namespace {

struct Device {
    int fd = -1;
    std::mutex writeMu;
    bool created = false;
};

Device gDevice;

bool Send(const uhid_event& ev) {
    const ssize_t n = write(gDevice.fd, &ev, sizeof ev);
    if (n == static_cast<ssize_t>(sizeof ev)) return true;
    std::fprintf(stderr, "kvsim: writing to /dev/uhid: %s\n", n < 0 ? std::strerror(errno) : "short write");
    return false;
}

void SetPresent(bool present) {
    std::lock_guard<std::mutex> lock(gDevice.writeMu);
    if (present == gDevice.created) return;
    uhid_event ev{};
    if (present) {
        ev.type = UHID_CREATE2;
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.name), sizeof ev.u.create2.name, "Kelvane uhid keyboard");
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.phys), sizeof ev.u.create2.phys, "kvsim/uhid");
        const auto& rd = qvx::KeyboardReportDescriptor();
        std::memcpy(ev.u.create2.rd_data, rd.data(), rd.size());
        ev.u.create2.rd_size = static_cast<uint16_t>(rd.size());
        ev.u.create2.bus = 0x03;  // USB
        ev.u.create2.vendor = qvx::kKeyboardVendorId;
        ev.u.create2.product = qvx::kKeyboardProductId;
        ev.u.create2.version = 0x0103;
    } else {
        ev.type = UHID_DESTROY;
    }
    if (Send(ev)) {
        gDevice.created = present;
        std::fprintf(stderr, "kvsim: uhid keyboard %s\n", present ? "created" : "destroyed");
    }
}

void Input(const uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(gDevice.writeMu);
    if (!gDevice.created || length > UHID_DATA_MAX) return;  // a removed keyboard sends nothing
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    std::memcpy(ev.u.input2.data, data, length);
    ev.u.input2.size = static_cast<uint16_t>(length);
    (void)Send(ev);
}

// The model's answers and events, on its own thread.
int KV_SERVICE_CALL OnVendor(const kv::ServiceNotification* n) {
    if (n->kind == kv::kNotifyStateChange) SetPresent(n->request->countOrState != 0);
    else if (n->kind == kv::kNotifyData) Input(n->request->data, n->request->countOrState);
    return 1;
}

int KV_SERVICE_CALL OnConsumer(const kv::ServiceNotification* n) {
    if (n->kind != kv::kNotifyData) return 1;
    const uint16_t* usage = kv::ConsumerUsagePointer(n->request->consumer);
    if (usage == nullptr) return 1;
    // As the descriptor declares it: report 3, then the usage, least significant byte first.
    const uint8_t report[3] = {qvx::kConsumerReportId, static_cast<uint8_t>(*usage), static_cast<uint8_t>(*usage >> 8)};
    Input(report, sizeof report);
    return 1;
}

void Reply(const uhid_event& request, bool getReport) {
    uhid_event ev{};
    std::lock_guard<std::mutex> lock(gDevice.writeMu);
    if (getReport) {
        ev.type = UHID_GET_REPORT_REPLY;
        ev.u.get_report_reply.id = request.u.get_report.id;
        ev.u.get_report_reply.err = EIO;  // the keyboard has no reports to be asked for
    } else {
        ev.type = UHID_SET_REPORT_REPLY;
        ev.u.set_report_reply.id = request.u.set_report.id;
        ev.u.set_report_reply.err = 0;
    }
    (void)Send(ev);
}

void Output(qvx::VirtualKeyboard& keyboard, const uint8_t* data, std::size_t length) {
    if (length == 0) return;
    if (data[0] == qvx::kReportId) {
        if (keyboard.WriteReport(kv::kVendorCollection, data, length) <= 0)
            std::fprintf(stderr, "kvsim: command report not taken by the keyboard\n");
    } else if (data[0] == qvx::kIndicatorReportId) {
        uint32_t handle = 0;
        (void)keyboard.WriteStatus(kv::kIndicatorCollection, data, length, &handle);
    } else {
        std::fprintf(stderr, "kvsim: output report %u ignored\n", data[0]);
    }
}

}  // namespace

int RunUhidKeyboard() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // before any thread starts: only the signalfd sees them
    const int sfd = signalfd(-1, &signals, SFD_CLOEXEC);
    gDevice.fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (gDevice.fd < 0 || sfd < 0) {
        std::fprintf(stderr, "kvsim: cannot open /dev/uhid: %s\n", std::strerror(errno));
        return 1;
    }
    qvx::VirtualKeyboard keyboard;
    if (keyboard.Start() <= 0) return 1;
    if (keyboard.Subscribe(kv::kVendorCollection, &OnVendor, 1) == 0 ||
        keyboard.Subscribe(kv::kConsumerCollection, &OnConsumer, 2) == 0) {
        std::fprintf(stderr, "kvsim: the keyboard model refused a subscription\n");
        return 1;
    }
    if (keyboard.DeviceCount(kv::kVendorCollection) > 0) SetPresent(true);

    for (;;) {
        pollfd fds[2] = {{gDevice.fd, POLLIN, 0}, {sfd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents != 0) break;
        if (fds[0].revents == 0) continue;
        uhid_event ev{};
        const ssize_t n = read(gDevice.fd, &ev, sizeof ev);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            std::fprintf(stderr, "kvsim: reading /dev/uhid: %s\n", n < 0 ? std::strerror(errno) : "closed");
            break;
        }
        switch (ev.type) {
            case UHID_OUTPUT: Output(keyboard, ev.u.output.data, ev.u.output.size); break;
            case UHID_GET_REPORT: Reply(ev, true); break;
            case UHID_SET_REPORT:
                (void)keyboard.SetFeature(kv::kVendorCollection, ev.u.set_report.data, ev.u.set_report.size);
                Reply(ev, false);
                break;
            default: break;  // start, stop, open, close: nothing to do
        }
    }
    SetPresent(false);
    keyboard.Stop();  // saves the state file
    close(gDevice.fd);
    close(sfd);
    return 0;
}

}  // namespace kvsim
