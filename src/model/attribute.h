// Lesson attributes: the five built-in kinds of lesson and the user's own.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zavlin {

class TAtribyt;

class TAtr {
public:
    static constexpr std::size_t kMaxName = 48;

    TAtr(TAtribyt* owner, int n, std::string_view name);

    const std::string& Name() const { return FName; }
    void SetName(std::string_view name);  // cut to kMaxName characters

    TAtribyt* Atrebyt = nullptr;
    int N = 0;
    bool Select = false;
    int NoDelete = 0;

private:
    std::string FName;
};

class TAtribyt {
public:
    // The built-in entries come first and are never stored.
    static constexpr std::size_t kBuiltIn = 5;
    static constexpr int kSetka = 0;
    static constexpr int kKonsyltacia = 65001;
    static constexpr int kDifZachet = 65002;
    static constexpr int kEkzamen = 65003;
    static constexpr int kGosEkzamen = 65004;

    TAtribyt();
    TAtribyt(const TAtribyt&) = delete;
    TAtribyt& operator=(const TAtribyt&) = delete;

    // Appends a user attribute after the built-in ones; returns it.
    TAtr* Add(int n, std::string_view name);
    // Frees every user attribute; the built-in ones stay.
    void Clear();

    std::string AtrName(int n) const;
    TAtr* AtrNumer(int n) const;
    std::string AtrSelectName() const;

    std::vector<std::unique_ptr<TAtr>> LAtr;
};

}  // namespace zavlin
