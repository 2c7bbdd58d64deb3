#include "composition/parallel_search.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <random>
#include <thread>

#include "composition/sos_run.h"

namespace zavlin {

int SosSearchCount(const TSosOptions& options) {
    int count = options.Threads;
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's allocator is not made safe for a fork while other
    // threads allocate: a search forked from the window program would hang
    // now and then (the watchdog ends it, TSosRun::SearchSilenceLimit later). Asked
    // for explicitly, the searches still run.
    if (count <= 0) count = 1;
#endif
    if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(count, 1, kMaxSearches);
}

void ShuffleUnits(TSpSostPr& sp, int k) {
    if (k <= 0 || sp.Count() < 2) return;
    // A generator whose sequence the standard fixes, read raw: the order
    // must not change with the library.
    std::mt19937_64 rng(static_cast<uint64_t>(k) * 0x9E3779B97F4A7C15ull);
    const int n = sp.Count();
    for (int i = 0; i + 1 < n; ++i) {
        if (rng() % 3 != 0) continue;
        const int reach = std::min(3, n - 1 - i);
        sp.Exchange(i, i + 1 + static_cast<int>(rng() % static_cast<uint64_t>(reach)));
    }
}

int ChooseSearch(const std::vector<TKahVar>& bests) {
    int chosen = -1;
    for (int i = 0; i < static_cast<int>(bests.size()); ++i) {
        if (chosen < 0) {
            chosen = i;
            continue;
        }
        const auto& a = bests[static_cast<std::size_t>(i)].mk;
        const auto& b = bests[static_cast<std::size_t>(chosen)].mk;
        if (a[0] != b[0]) {
            if (a[0] > b[0]) chosen = i;
        } else if (std::lexicographical_compare(a.begin() + 1, a.begin() + 4, b.begin() + 1,
                                                b.begin() + 4)) {
            chosen = i;
        }
    }
    return chosen;
}

namespace {

// What a search writes to the run, as frames: a type byte, a 32-bit length,
// the bytes. Numbers are little-endian 32-bit words.
enum : uint8_t { kFrameProgress = 1, kFrameLines = 2, kFrameResult = 3, kFrameFault = 4 };

void putWord(std::string& out, int64_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// The word at bytes[at], which holds four bytes from there.
uint32_t wordAt(const std::string& bytes, std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return v;
}

// Reads words off a frame's bytes; past the end reads zero and marks it bad.
struct TReader {
    const std::string& bytes;
    std::size_t at = 0;
    bool ok = true;
    uint32_t word() {
        if (at + 4 > bytes.size()) {
            ok = false;
            return 0;
        }
        at += 4;
        return wordAt(bytes, at - 4);
    }
    std::string text() {
        const uint32_t n = word();
        if (!ok || at + n > bytes.size()) {
            ok = false;
            return {};
        }
        std::string s = bytes.substr(at, n);
        at += n;
        return s;
    }
};

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool sendFrame(int fd, uint8_t type, const std::string& payload) {
    std::string head(1, static_cast<char>(type));
    putWord(head, static_cast<int64_t>(payload.size()));
    return writeAll(fd, head.data(), head.size()) && writeAll(fd, payload.data(), payload.size());
}

std::string countersPayload(const TSosCounters& c) {
    std::string out;
    for (const int v :
         {c.KolVar, c.CountSs, c.CountSsOk, c.CountSsNo, c.CountYly, c.Position, c.PositionMax})
        putWord(out, v);
    return out;
}

// A search's observer: its progress, a few times a second, down the pipe.
// The lines it would hear are captured by the run (TSosRun::Capture).
class TPipeObserver final : public TSosObserver {
public:
    explicit TPipeObserver(int fd) : FFd(fd) {}
    void SosProgress(const TSosCounters& counters) override {
        const auto now = std::chrono::steady_clock::now();
        if (now - FLast < std::chrono::milliseconds(100)) return;
        FLast = now;
        (void)sendFrame(FFd, kFrameProgress, countersPayload(counters));
    }

private:
    int FFd;
    std::chrono::steady_clock::time_point FLast{};
};

// The forked search: never returns.
[[noreturn]] void runSearch(TSpSostPr& sp, TSosRun& run, int k, int fd, const std::atomic<bool>* go,
                            std::atomic<uint64_t>* heartbeat) {
    int code = 1;
    try {
        TPipeObserver observer(fd);
        std::vector<std::string> lines;
        run.Observer = &observer;
        run.Capture = &lines;
        run.SharedGo = go;
        run.Heartbeat = heartbeat;
        sp.UseVariantFile(run.Home() / fmt::format("temprasp{}.bin", k + 1));
        ShuffleUnits(sp, k);
        const ASearchEnd end = SearchPasses(sp, run);
        sp.SaveNew();
        sp.LoadOld();
        std::string payload;
        putWord(payload, static_cast<int64_t>(lines.size()));
        for (const std::string& line : lines) {
            putWord(payload, static_cast<int64_t>(line.size()));
            payload += line;
        }
        bool sent = sendFrame(fd, kFrameLines, payload);
        payload.clear();
        if (!run.FilesOk()) {
            putWord(payload, static_cast<int64_t>(run.FileError().size()));
            payload += run.FileError();
            sent = sent && sendFrame(fd, kFrameFault, payload);
        } else {
            putWord(payload, static_cast<int64_t>(end));
            putWord(payload, sp.CountSt);
            putWord(payload, sp.CountTry);
            const TKahVar best = sp.BestVariant >= 0
                                     ? sp.Lk[static_cast<std::size_t>(sp.BestVariant)]
                                     : sp.CurrentKahVar();
            for (int i = 0; i < 4; ++i) putWord(payload, best.mk[static_cast<std::size_t>(i)]);
            const std::vector<uint8_t> record = sp.CurrentRecord();
            putWord(payload, static_cast<int64_t>(record.size()));
            payload.append(record.begin(), record.end());
            sent = sent && sendFrame(fd, kFrameResult, payload);
        }
        sp.DropVariantFile();
        if (sent) code = 0;
    } catch (...) {
        // The run goes on without this search.
    }
    ::close(fd);
    ::_exit(code);
}

// What the run shares with its searches: the "may go on" flag and a
// heartbeat per search.
struct TShared {
    std::atomic<bool> go{true};
    std::atomic<uint64_t> beats[kMaxSearches];
};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<uint64_t>::is_always_lock_free);

struct TSearchProcess {
    pid_t pid = -1;
    int fd = -1;
    uint64_t beat = 0;  // the heartbeat last seen
    std::chrono::steady_clock::time_point beatSeen;
    bool hung = false;
    std::string bytes;       // what it wrote, frames from 0 on
    std::size_t parsed = 0;  // frames before this were read
    TSosCounters counters;
    bool haveCounters = false;
    TSearchOutcome outcome;
    bool haveResult = false;
};

// Reads the whole frames that have come; false on a frame that makes no sense.
bool readFrames(TSearchProcess& p) {
    while (p.bytes.size() - p.parsed >= 5) {
        const auto type = static_cast<uint8_t>(p.bytes[p.parsed]);
        const uint32_t n = wordAt(p.bytes, p.parsed + 1);
        if (p.bytes.size() - p.parsed - 5 < n) return true;
        const std::string payload = p.bytes.substr(p.parsed + 5, n);
        p.parsed += 5 + n;
        TReader r{payload};
        switch (type) {
            case kFrameProgress: {
                TSosCounters& c = p.counters;
                for (int* field : {&c.KolVar, &c.CountSs, &c.CountSsOk, &c.CountSsNo, &c.CountYly,
                                   &c.Position, &c.PositionMax})
                    *field = static_cast<int>(r.word());
                p.haveCounters = r.ok;
                break;
            }
            case kFrameLines: {
                const uint32_t count = r.word();
                for (uint32_t i = 0; i < count && r.ok; ++i) p.outcome.lines.push_back(r.text());
                break;
            }
            case kFrameResult: {
                const uint32_t end = r.word();
                if (end > static_cast<uint32_t>(ASearchEnd::NoProgress)) return false;
                p.outcome.end = static_cast<ASearchEnd>(end);
                p.outcome.variants = static_cast<int>(r.word());
                p.outcome.tries = static_cast<int>(r.word());
                for (int i = 0; i < 4; ++i)
                    p.outcome.best.mk[static_cast<std::size_t>(i)] =
                        static_cast<uint16_t>(r.word());
                const std::string record = r.text();
                p.outcome.record.assign(record.begin(), record.end());
                p.haveResult = r.ok;
                break;
            }
            case kFrameFault:
                p.outcome.fault = r.text();
                break;
            default:
                return false;
        }
        if (!r.ok) return false;
    }
    return true;
}

// What the window shows while the searches run: the first search's place in
// its order, the variants of them all, the most units any has placed.
TSosCounters mergedCounters(const std::vector<TSearchProcess>& searches, TSosCounters merged) {
    bool first = true;
    int variants = 0;
    for (const TSearchProcess& p : searches) {
        if (!p.haveCounters) continue;
        if (first) {
            merged = p.counters;
            first = false;
        }
        variants += p.counters.KolVar;
        merged.CountSsOk = std::max(merged.CountSsOk, p.counters.CountSsOk);
    }
    if (!first) merged.KolVar = variants;
    return merged;
}

}  // namespace

bool SearchInParallel(TSpSostPr& sp, TSosRun& run, int count, ASearchEnd& end) {
    void* memory =
        ::mmap(nullptr, sizeof(TShared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return false;
    auto* shared = new (memory) TShared;
    for (auto& beat : shared->beats) beat.store(0);

    std::vector<TSearchProcess> searches;
    for (int k = 0; k < count; ++k) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) break;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            for (const TSearchProcess& p : searches) ::close(p.fd);
            runSearch(sp, run, k, fds[1], &shared->go, &shared->beats[k]);
        }
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            break;
        }
        TSearchProcess p;
        p.pid = pid;
        p.fd = fds[0];
        p.beatSeen = std::chrono::steady_clock::now();
        searches.push_back(std::move(p));
    }
    if (searches.empty()) {
        ::munmap(memory, sizeof(TShared));
        return false;
    }

    const TSosCounters before = run.Counters;
    std::vector<pollfd> waiting;
    for (;;) {
        waiting.clear();
        for (const TSearchProcess& p : searches)
            if (p.fd >= 0) waiting.push_back(pollfd{p.fd, POLLIN, 0});
        if (waiting.empty()) break;
        if (run.StopRequested()) shared->go.store(false);
        const auto now = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < searches.size(); ++k) {
            TSearchProcess& p = searches[k];
            const uint64_t beat = shared->beats[k].load(std::memory_order_relaxed);
            if (beat != p.beat) {
                p.beat = beat;
                p.beatSeen = now;
            } else if (p.fd >= 0 && !p.hung && now - p.beatSeen > run.SearchSilenceLimit) {
                // Its pipe closes as it dies; what it sent is not used.
                p.hung = true;
                ::kill(p.pid, SIGKILL);
            }
        }
        const int ready = ::poll(waiting.data(), waiting.size(), 100);
        if (ready < 0 && errno != EINTR) break;
        bool heard = false;
        for (TSearchProcess& p : searches) {
            if (p.fd < 0) continue;
            const auto it = std::find_if(waiting.begin(), waiting.end(),
                                         [&](const pollfd& w) { return w.fd == p.fd; });
            if (it == waiting.end() || it->revents == 0) continue;
            char buffer[65536];
            const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n > 0) {
                p.bytes.append(buffer, static_cast<std::size_t>(n));
                if (!readFrames(p)) {
                    // A search that writes nonsense is not trusted further.
                    p.haveResult = false;
                    ::kill(p.pid, SIGKILL);
                    ::close(p.fd);
                    p.fd = -1;
                }
                heard = true;
                continue;
            }
            ::close(p.fd);
            p.fd = -1;
        }
        if (heard) {
            run.Counters = mergedCounters(searches, before);
            run.Progress();
        }
    }
    for (TSearchProcess& p : searches) {
        int status = 0;
        while (::waitpid(p.pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) p.haveResult = false;
    }
    ::munmap(memory, sizeof(TShared));
    for (std::size_t k = 0; k < searches.size(); ++k)
        if (searches[k].hung)
            run.SaveLog(fmt::format("Поиск {} прерван: он перестал отвечать", k + 1));

    for (const TSearchProcess& p : searches)
        if (!p.outcome.fault.empty()) {
            run.FileFault(p.outcome.fault);
            end = ASearchEnd::Stopped;
            return true;
        }
    std::vector<TKahVar> bests;
    std::vector<int> index;
    for (int k = 0; k < static_cast<int>(searches.size()); ++k)
        if (searches[static_cast<std::size_t>(k)].haveResult) {
            bests.push_back(searches[static_cast<std::size_t>(k)].outcome.best);
            index.push_back(k);
        }
    const int chosen = ChooseSearch(bests);
    if (chosen < 0) return false;
    const int k = index[static_cast<std::size_t>(chosen)];
    TSearchOutcome& won = searches[static_cast<std::size_t>(k)].outcome;
    for (const std::string& line : won.lines) run.SaveLog(line);
    for (std::size_t i = 0; i < bests.size(); ++i) {
        const auto& mk = bests[i].mk;
        run.SaveLog(fmt::format("Поиск{} всего{} дыр_г{} предм{} дыр_ф{}", index[i] + 1, mk[0],
                                mk[1], mk[2], mk[3]));
    }
    run.SaveLog(fmt::format("Поисков: {}, лучший вариант дал поиск {}", searches.size(), k + 1));
    // Its own lines said the record was laid: it is laid here unannounced.
    (void)sp.LayRecord(std::move(won.record));
    sp.CountSt = won.variants;
    sp.CountTry = won.tries;
    end = won.end;
    run.Counters = before;
    run.Counters.KolVar = won.variants;
    run.Counters.CountSsOk = won.best.mk[0];
    run.Progress();
    return true;
}

}  // namespace zavlin
