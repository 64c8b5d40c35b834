// Loads arbitrary bytes as a saved-report file and reads every page as a picture, forwards and
// backwards: the loader, the chain walk and the picture reader must end in an error or in pages,
// never crash or hang.
#include "platform/Exceptions.h"
#include "report/Qrprntr.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    auto stream = std::make_shared<TQRStream>(qint64{1} << 40);
    stream->Write(data, static_cast<qint64>(size));
    TQRPageList list;
    try {
        list.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    const int count = list.PageCount();
    for (int page = 1; page <= count; ++page) {
        try {
            list.GetPage(page);
        } catch (const Exception&) {
        }
    }
    for (int page = count; page >= 1; --page) {
        try {
            list.GetPage(page);
        } catch (const Exception&) {
        }
    }
    return 0;
}
