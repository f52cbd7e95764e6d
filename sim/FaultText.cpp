#include "FaultText.h"

#include "USB_Prog.h"

#include <charconv>
#include <utility>

namespace zekt {

const char* const kSimFaultHelp =
    "                          unplug@N, timeout@N, short-write@N, garbage@N, wrong-command@N,\n"
    "                              slow@N (ответ через 3 с): на кадре N (с 1)\n"
    "                          fail-word@A, fail-byte@A: программатор сообщает об ошибке\n"
    "                              записи этого слова или байта\n"
    "                          stuck-bit@A:B, stuck-data-bit@A:B: бит B этого слова или байта\n"
    "                              не программируется\n"
    "                          open, flow, purge, latency: отказ этого вызова драйвера\n"
    "                          busy: программатор занят другой программой\n"
    "                          device=ОПИСАНИЕ: другое устройство FTDI перед программатором\n";

namespace {

std::string UnknownFault(const std::string& text) {
    // One line: the list of faults is in the help, not in every mistake, and
    // a control character typed in the value is shown, not obeyed.
    std::string shown;
    for (const char c : text) {
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return "неизвестный отказ имитатора \"" + shown + "\" (отказы: zekt-cli --help)";
}

bool Number(std::string_view text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

// "A:B" with A an address below limit and B a bit below bits.
bool AddressAndBit(std::string_view text, int limit, int bits, int& address, int& bit) {
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && Number(text.substr(0, colon), address) &&
           Number(text.substr(colon + 1), bit) && address < limit && bit < bits;
}

} // namespace

bool ApplySimFault(const std::string& text, SimulatedDriver& driver, std::string& error) {
    SimFaults& faults = driver.Faults();
    const std::pair<const char*, bool*> kCallFaults[] = {{"open", &faults.failOpen},
                                                         {"flow", &faults.failFlowControl},
                                                         {"purge", &faults.failPurge},
                                                         {"latency", &faults.failLatencyTimer},
                                                         {"busy", &faults.busy}};
    for (const auto& [name, fails] : kCallFaults) {
        if (text == name) {
            *fails = true;
            return true;
        }
    }
    if (text.starts_with("device=") && text.size() > 7) {
        std::vector<SimDevice> devices = {{text.substr(7), false}};
        devices.push_back({DeviceDescription, true});
        driver.SetDevices(devices);
        return true;
    }
    const std::size_t at = text.find('@');
    if (at == std::string::npos) {
        error = UnknownFault(text);
        return false;
    }
    const std::string kind = text.substr(0, at);
    const std::string_view value = std::string_view(text).substr(at + 1);
    int n = 0;
    int bit = 0;
    bool ok = false;
    if (kind == "stuck-bit" && AddressAndBit(value, Pic16F877::kCodeWords, 14, n, bit)) {
        driver.Chip().SetStuckCodeBit(n, bit);
        ok = true;
    } else if (kind == "stuck-data-bit" && AddressAndBit(value, Pic16F877::kDataBytes, 8, n, bit)) {
        driver.Chip().SetStuckDataBit(n, bit);
        ok = true;
    } else if (Number(value, n)) {
        ok = true;
        const bool atFrame = kind == "unplug" || kind == "timeout" || kind == "short-write" ||
                             kind == "garbage" || kind == "wrong-command" || kind == "slow";
        if (atFrame && n < 1) {
            ok = false; // frames count from 1: a fault at 0 would never come
        } else if (kind == "unplug") {
            faults.unplugAtFrame = n;
        } else if (kind == "timeout") {
            faults.readTimeoutAtFrame = n;
        } else if (kind == "short-write") {
            faults.shortWriteAtFrame = n;
        } else if (kind == "garbage") {
            faults.garbageReplyAtFrame = n;
        } else if (kind == "wrong-command") {
            faults.wrongCommandAtFrame = n;
        } else if (kind == "slow") {
            faults.slowReplyAtFrame = n;
        } else if (kind == "fail-word" && n < Pic16F877::kCodeWords) {
            driver.Unit().FailCodeWordAt(n);
        } else if (kind == "fail-byte" && n < Pic16F877::kDataBytes) {
            driver.Unit().FailDataByteAt(n);
        } else {
            ok = false;
        }
    }
    if (!ok) {
        error = UnknownFault(text);
    }
    return ok;
}

} // namespace zekt
