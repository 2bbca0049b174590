#include "imaging/PictureMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace imaging {
namespace {

constexpr size_t kLargePage = 2 * 1024 * 1024;
constexpr size_t kGranule = 64 * 1024;   // sizes are rounded to this, so near sizes share

// One mapping of anonymous memory; `data` is its start, aligned to a large page when the
// mapping is large enough to hold some.
struct Block {
    void *mapping = nullptr;
    size_t mapped = 0;
    uchar *data = nullptr;
    size_t capacity = 0;   // usable bytes from `data`
};

class Pool {
public:
    static Pool &instance()
    {
        static Pool *pool = new Pool;   // never destroyed: pictures may outlive the statics
        return *pool;
    }

    Block *take(size_t bytes)
    {
        const size_t capacity = (bytes + kGranule - 1) / kGranule * kGranule;
        {
            std::lock_guard hold(m_lock);
            auto found = m_free.find(capacity);
            if (found != m_free.end() && !found->second.empty()) {
                Block *block = found->second.back();
                found->second.pop_back();
                m_keptBytes -= block->capacity;
                return block;
            }
        }
        return map(capacity);
    }

    void give(Block *block)
    {
        {
            std::lock_guard hold(m_lock);
            if (m_keptBytes + qsizetype(block->capacity) <= kKeptPictureBytes) {
                m_free[block->capacity].push_back(block);
                m_keptBytes += qsizetype(block->capacity);
                return;
            }
        }
        unmap(block);
    }

    qsizetype keptBytes()
    {
        std::lock_guard hold(m_lock);
        return m_keptBytes;
    }

    void release()
    {
        std::unordered_map<size_t, std::vector<Block *>> free;
        {
            std::lock_guard hold(m_lock);
            free.swap(m_free);
            m_keptBytes = 0;
        }
        for (auto &[capacity, blocks] : free)
            for (Block *block : blocks)
                unmap(block);
    }

private:
    static Block *map(size_t capacity)
    {
        // A mapping of several large pages starts on one, so that the system can use them.
        const bool large = capacity >= 2 * kLargePage;
        const size_t mapped = large ? capacity + kLargePage : capacity;
        void *mapping = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED)
            return nullptr;
        auto *block = new Block{mapping, mapped, static_cast<uchar *>(mapping), capacity};
        if (large) {
            const auto start = reinterpret_cast<uintptr_t>(mapping);
            block->data = reinterpret_cast<uchar *>((start + kLargePage - 1) / kLargePage * kLargePage);
#ifdef MADV_HUGEPAGE
            madvise(block->data, capacity / kLargePage * kLargePage, MADV_HUGEPAGE);
#endif
        }
        return block;
    }

    static void unmap(Block *block)
    {
        munmap(block->mapping, block->mapped);
        delete block;
    }

    std::mutex m_lock;
    std::unordered_map<size_t, std::vector<Block *>> m_free;   // by capacity
    qsizetype m_keptBytes = 0;
};

void giveBack(void *block)
{
    Pool::instance().give(static_cast<Block *>(block));
}

} // namespace

QImage uninitialisedPicture(QSize size, QImage::Format format)
{
    if (size.isEmpty())
        return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = (qsizetype(size.width()) * depth + 31) / 32 * 4;
    if (depth <= 0 || bytesPerLine > std::numeric_limits<int>::max() / 2
        || bytesPerLine * size.height() < kLargePictureBytes)
        return QImage(size, format);
    Block *block = Pool::instance().take(size_t(bytesPerLine) * size_t(size.height()));
    if (!block)
        return {};
    QImage picture(block->data, size.width(), size.height(), bytesPerLine, format, giveBack, block);
    if (picture.isNull())
        giveBack(block);
    return picture;
}

qsizetype keptPictureBytes()
{
    return Pool::instance().keptBytes();
}

void releaseKeptPictures()
{
    Pool::instance().release();
}

} // namespace imaging
