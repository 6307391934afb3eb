// Reading back a VCD file the way a waveform viewer does, for tests: the variables by name and the
// value of each scalar at every time step from 0 to the last timestamp (exclusive). Only what the
// capture writes is understood: $timescale, $var wire 1, #time, $dumpvars and scalar changes.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qv::test {

struct VcdTrace {
    std::string timescale;
    std::vector<std::string> names; // in declaration order
    std::map<std::string, std::string> levels; // name -> one character per time step ('0', '1', 'z')
    long long endTime = 0;
    bool ok = false;
};

inline VcdTrace readVcd(const std::string& path) {
    VcdTrace trace;
    std::ifstream file(path);
    if (!file) return trace;
    std::map<std::string, std::string> nameOf; // identifier -> name
    std::map<std::string, char> current;
    std::string word;
    long long time = -1;
    auto extendTo = [&](long long t) {
        for (auto& [id, name] : nameOf) {
            auto& levels = trace.levels[name];
            while (static_cast<long long>(levels.size()) < t) levels.push_back(current[id]);
        }
    };
    while (file >> word) {
        if (word == "$timescale") {
            std::string part;
            while (file >> part && part != "$end") trace.timescale += (trace.timescale.empty() ? "" : " ") + part;
        } else if (word == "$var") {
            std::string type, width, id, name, end;
            file >> type >> width >> id >> name >> end;
            if (type != "wire" || width != "1" || end != "$end") return trace;
            nameOf[id] = name;
            trace.names.push_back(name);
            current[id] = 'x';
        } else if (word[0] == '#') {
            const long long t = std::stoll(word.substr(1));
            if (t < time) return trace;
            extendTo(t);
            time = t;
        } else if (word[0] == '0' || word[0] == '1' || word[0] == 'z' || word[0] == 'x') {
            const std::string id = word.substr(1);
            if (nameOf.count(id) == 0) return trace;
            current[id] = word[0];
        } else if (word[0] == '$') {
            if (word == "$version" || word == "$comment" || word == "$scope")
                while (file >> word && word != "$end") {}
        } else {
            return trace;
        }
    }
    trace.endTime = time;
    trace.ok = time >= 0;
    return trace;
}

} // namespace qv::test
