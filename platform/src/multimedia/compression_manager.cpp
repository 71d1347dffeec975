// The video compression manager: codecs found by their "TYPE.HANDLER"
// values under Drivers32 and run as installable drivers through OpenDriver,
// SendDriverMessage and CloseDriver. A compressor handle (HIC) stands for one
// open driver and remembers what ICGetInfo needs of the registry; the table
// that maps them is never locked while a codec runs.
#include <windows.h>
#include <vfw.h>

#include <kmxwin/driver_registry.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <string>

#include "multimedia/driver_registry.h"

namespace kmxwin {
namespace {

struct Compressor {
    HDRVR driver;
    std::string module;  // the module file name the registry gives
};

class CompressorTable {
  public:
    HIC Insert(const Compressor& compressor) {
        std::lock_guard guard(lock_);
        HIC handle = reinterpret_cast<HIC>(next_handle_);
        next_handle_ += 4;
        compressors_.emplace(handle, compressor);
        return handle;
    }
    std::optional<Compressor> Find(HIC handle) {
        std::lock_guard guard(lock_);
        auto found = compressors_.find(handle);
        if (found == compressors_.end()) return std::nullopt;
        return found->second;
    }
    std::optional<Compressor> Remove(HIC handle) {
        std::lock_guard guard(lock_);
        auto found = compressors_.find(handle);
        if (found == compressors_.end()) return std::nullopt;
        Compressor compressor = found->second;
        compressors_.erase(found);
        return compressor;
    }

  private:
    std::mutex lock_;
    std::map<HIC, Compressor> compressors_;
    // Never reused within the process, and apart from the driver handles so
    // that one is never taken for the other.
    uintptr_t next_handle_ = 0x40000;
};

// Never destroyed: codecs may be closed while the process exits.
CompressorTable& Table() {
    static CompressorTable* const table = new CompressorTable;
    return *table;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The four characters of a FourCC, up to the first zero.
std::string FourccText(DWORD fourcc) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        char c = char((fourcc >> shift) & 0xFF);
        if (c == '\0') break;
        text += c;
    }
    return text;
}

DWORD TextFourcc(const std::string& text) {
    DWORD fourcc = 0;
    for (size_t i = 0; i < 4 && i < text.size(); ++i) fourcc |= DWORD(BYTE(text[i])) << (8 * i);
    return fourcc;
}

// Types are registered and handed to codecs in lower case: 'VIDC' is 'vidc'.
DWORD LowerFourcc(DWORD fourcc) {
    DWORD lower = 0;
    for (int shift = 0; shift < 32; shift += 8)
        lower |= DWORD(BYTE(Lower(char((fourcc >> shift) & 0xFF)))) << shift;
    return lower;
}

bool SameFourcc(DWORD a, DWORD b) {
    return LowerFourcc(a) == LowerFourcc(b);
}

// One installed codec: a "TYPE.HANDLER" value of Drivers32.
struct InstalledCodec {
    DWORD type;
    DWORD handler;
    std::string module;
};

std::optional<InstalledCodec> ParseCodec(const std::string& name, const std::string& value) {
    // Both parts are four characters; anything else is some other driver.
    if (name.size() != 9 || name[4] != '.') return std::nullopt;
    return InstalledCodec{TextFourcc(name.substr(0, 4)), TextFourcc(name.substr(5)),
                          SplitDriverCommand(value).module};
}

// The codec ICInfo describes: the INDEX-th of TYPE's codecs (type 0: of
// every type), or the one whose handler is INDEX as a FourCC.
std::optional<InstalledCodec> FindInstalled(DWORD type, DWORD index) {
    DWORD number = 0;
    for (const auto& [name, value] : ListDriverValues(KMXWIN_DRIVERS32_SECTION)) {
        std::optional<InstalledCodec> codec = ParseCodec(name, value);
        if (!codec || (type != 0 && !SameFourcc(codec->type, type))) continue;
        if (number++ == index || SameFourcc(codec->handler, index)) return codec;
    }
    return std::nullopt;
}

std::u16string Wide(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

void CopyWide(const std::string& ascii, WCHAR* buffer, size_t capacity) {
    size_t length = std::min(ascii.size(), capacity - 1);
    for (size_t i = 0; i < length; ++i) buffer[i] = WCHAR(BYTE(ascii[i]));
    buffer[length] = 0;
}

HIC Open(DWORD type, DWORD handler, UINT mode) {
    type = LowerFourcc(type);
    std::string type_text = FourccText(type), handler_text = FourccText(handler);
    if (type_text.size() != 4 || handler_text.empty()) return nullptr;
    std::string name = type_text + "." + handler_text;
    // Only a registered codec is opened: OpenDriver would take any other
    // name for a module's.
    std::optional<std::string> value = ReadDriverValue(KMXWIN_DRIVERS32_SECTION, name);
    if (!value) return nullptr;
    ICOPEN open{};
    open.dwSize = sizeof open;
    open.fccType = type;
    open.fccHandler = handler;
    open.dwVersion = ICVERSION;
    open.dwFlags = mode;
    HDRVR driver = OpenDriver(Wide(name).c_str(), nullptr, reinterpret_cast<LPARAM>(&open));
    if (!driver) return nullptr;
    return Table().Insert({driver, SplitDriverCommand(*value).module});
}

UINT QueryMessage(WORD mode) {
    switch (mode) {
        case ICMODE_COMPRESS:
        case ICMODE_FASTCOMPRESS:
            return ICM_COMPRESS_QUERY;
        case ICMODE_DECOMPRESS:
        case ICMODE_FASTDECOMPRESS:
            return ICM_DECOMPRESS_QUERY;
        case ICMODE_DRAW:
            return ICM_DRAW_QUERY;
        default:
            return 0;
    }
}

// The codec of TYPE and HANDLER opened in MODE, if it takes the formats.
HIC OpenAccepting(DWORD type, DWORD handler, WORD mode, LPBITMAPINFOHEADER in,
                  LPBITMAPINFOHEADER out) {
    HIC hic = Open(type, handler, mode);
    if (!hic) return nullptr;
    UINT query = QueryMessage(mode);
    // A draw query names the input format only.
    DWORD_PTR second = query == ICM_DRAW_QUERY ? 0 : reinterpret_cast<DWORD_PTR>(out);
    if (ICSendMessage(hic, query, reinterpret_cast<DWORD_PTR>(in), second) == ICERR_OK) return hic;
    ICClose(hic);
    return nullptr;
}

HIC Locate(DWORD type, DWORD handler, LPBITMAPINFOHEADER in, LPBITMAPINFOHEADER out, WORD mode) {
    if (QueryMessage(mode) == 0) return nullptr;
    if (handler != 0)
        if (HIC hic = OpenAccepting(type, handler, mode, in, out)) return hic;
    for (const auto& [name, value] : ListDriverValues(KMXWIN_DRIVERS32_SECTION)) {
        std::optional<InstalledCodec> codec = ParseCodec(name, value);
        if (!codec || !SameFourcc(codec->type, type)) continue;
        // The preferred handler has had its turn.
        if (handler != 0 && SameFourcc(codec->handler, handler)) continue;
        if (HIC hic = OpenAccepting(type, codec->handler, mode, in, out)) return hic;
    }
    return nullptr;
}

template <class Result, class Work>
Result OrNoMemory(Result failure, Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failure;
    }
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

BOOL VFWAPI ICInfo(DWORD fccType, DWORD fccHandler, ICINFO* lpicinfo) {
    if (!lpicinfo) return FALSE;
    return OrNoMemory(FALSE, [&]() -> BOOL {
        std::optional<InstalledCodec> codec = FindInstalled(fccType, fccHandler);
        if (!codec) return FALSE;
        memset(lpicinfo, 0, sizeof *lpicinfo);
        lpicinfo->dwSize = sizeof *lpicinfo;
        lpicinfo->fccType = codec->type;
        lpicinfo->fccHandler = codec->handler;
        CopyWide(codec->module, lpicinfo->szDriver, std::size(lpicinfo->szDriver));
        return TRUE;
    });
}

HIC VFWAPI ICOpen(DWORD fccType, DWORD fccHandler, UINT wMode) {
    return OrNoMemory(HIC{}, [&] { return Open(fccType, fccHandler, wMode); });
}

LRESULT VFWAPI ICClose(HIC hic) {
    std::optional<Compressor> compressor = Table().Remove(hic);
    if (!compressor) return ICERR_BADHANDLE;
    CloseDriver(compressor->driver, 0, 0);
    return ICERR_OK;
}

LRESULT VFWAPI ICSendMessage(HIC hic, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2) {
    std::optional<Compressor> compressor = Table().Find(hic);
    if (!compressor) return ICERR_BADHANDLE;
    return SendDriverMessage(compressor->driver, msg, static_cast<LPARAM>(dw1),
                             static_cast<LPARAM>(dw2));
}

LRESULT VFWAPI ICGetInfo(HIC hic, ICINFO* picinfo, DWORD cb) {
    if (!picinfo) return 0;
    std::optional<Compressor> compressor = Table().Find(hic);
    if (!compressor) return 0;
    // Codecs need not name their module; the registry does.
    bool room_for_driver = cb >= sizeof(ICINFO);
    if (room_for_driver) picinfo->szDriver[0] = 0;
    LRESULT copied = SendDriverMessage(compressor->driver, ICM_GETINFO,
                                       reinterpret_cast<LPARAM>(picinfo), static_cast<LPARAM>(cb));
    if (copied > 0 && room_for_driver && picinfo->szDriver[0] == 0)
        CopyWide(compressor->module, picinfo->szDriver, std::size(picinfo->szDriver));
    return copied;
}

HIC VFWAPI ICLocate(DWORD fccType, DWORD fccHandler, LPBITMAPINFOHEADER lpbiIn,
                    LPBITMAPINFOHEADER lpbiOut, WORD wFlags) {
    return OrNoMemory(HIC{}, [&] { return Locate(fccType, fccHandler, lpbiIn, lpbiOut, wFlags); });
}

DWORD VFWAPIV ICDecompress(HIC hic, DWORD dwFlags, LPBITMAPINFOHEADER lpbiFormat, LPVOID lpData,
                           LPBITMAPINFOHEADER lpbi, LPVOID lpBits) {
    ICDECOMPRESS decompress{};
    decompress.dwFlags = dwFlags;
    decompress.lpbiInput = lpbiFormat;
    decompress.lpInput = lpData;
    decompress.lpbiOutput = lpbi;
    decompress.lpOutput = lpBits;
    return static_cast<DWORD>(ICSendMessage(
        hic, ICM_DECOMPRESS, reinterpret_cast<DWORD_PTR>(&decompress), sizeof decompress));
}

}  // extern "C"
