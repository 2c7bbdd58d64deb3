#include "export/ui/document_opening.h"

#include "shell/shell.h"
#include "storage/year_database.h"

namespace zavlin::exporting::ui {
namespace {

TDocumentOpener* installed = nullptr;

// Lets the installed opener outlive no caller: the forward owns nothing.
class TForwardingOpener : public TDocumentOpener {
public:
    explicit TForwardingOpener(TDocumentOpener& target) : target_(target) {}
    bool Open(const std::filesystem::path& file, std::string& why) override {
        return target_.Open(file, why);
    }

private:
    TDocumentOpener& target_;
};

}  // namespace

std::unique_ptr<TDocumentOpener> DocumentOpener(shell::ui::TWindowContext& context) {
    if (installed != nullptr) return std::make_unique<TForwardingOpener>(*installed);
    return std::make_unique<TXdgOpener>(OpenerProgram(context.shell.DM().FIni1));
}

TScopedDocumentOpener::TScopedDocumentOpener(TDocumentOpener& opener) : previous_(installed) {
    installed = &opener;
}

TScopedDocumentOpener::~TScopedDocumentOpener() {
    installed = previous_;
}

}  // namespace zavlin::exporting::ui
