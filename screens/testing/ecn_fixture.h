// The ECN screens hosted as the main program hosts screens, on the inquiry screens' fixture: a
// live session of user "demo" with the simulated trading server in this process. Adds the ECN
// plug-ins to the device's program folder and reads the server's current prices.
#pragma once

#include "change_fixture.h"

namespace ecntest {

using namespace changetest;

class EcnScreenTest : public ChangeScreenTest {
public:
    void SetUp() override {
        ChangeScreenTest::SetUp();
        if (HasFatalFailure()) return;
        const std::string bin = root + "/Program Files/Quorvan/Bin/";
        for (const char* plugin : kPlugins) {
            fs::path p(plugin);
            if (!fs::exists(bin + p.stem().string() + ".dll")) fs::copy_file(p, bin + p.stem().string() + ".dll");
        }
        // The device's configuration names the code lists; the ECN screens load the ECN list.
        WriteHost("Program Files/Quorvan/Bin/Pelvato.conf",
                  "[CODE INFO]\r\nCODE BASE=\\Program Files\\Quorvan\\Code\r\nSTOCK CODE=stock_code.dat\r\n"
                  "ECN CODE=ecn_code.dat\r\n");
        WriteHost("Program Files/Quorvan/Code/ecn_code.dat", Cp949(u"005930 0|삼성전자\r\n035720 0|카카오\r\n"));
        WriteHost("Program Files/Quorvan/Code/stock_code.dat",
                  Cp949(u"005930 0|삼성전자\r\n000660 0|SK하이닉스\r\n035720 1|카카오\r\n"));
    }

    void WriteHost(const std::string& relative, const std::string& bytes) {
        fs::path p = fs::path(root) / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    static std::string Cp949(const std::u16string& s) {
        std::string out(s.size() * 2 + 1, '\0');
        int n = WideCharToMultiByte(949, 0, s.c_str(), static_cast<int>(s.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
        out.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return out;
    }

    // The item's current price as the server has it, as the price edit shows it.
    std::string ShownPrice(const std::string& code6) {
        int64_t price = server.withMarket([&](simsrv::Market& m) { return m.FindItem(code6)->price; });
        std::string digits = std::to_string(price), out;
        for (size_t i = 0; i < digits.size(); ++i) {
            if (i && (digits.size() - i) % 3 == 0) out += ',';
            out += digits[i];
        }
        return out;
    }
    std::string Digits(const std::string& shown) {
        std::string out;
        for (char c : shown)
            if (c != ',') out += c;
        return out;
    }

    static constexpr const char* kPlugins[] = {ECN_PLUGINS};
};

inline std::string Pad(const std::string& s, size_t width) {
    std::string out = s;
    out.resize(width, '\0');
    return out;
}

}  // namespace ecntest
