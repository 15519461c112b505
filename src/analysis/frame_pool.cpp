#include "analysis/frame_pool.h"

#include <vocana/error.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "analysis/frame_analysis.h"

namespace {

using vocana::FrameResult;
using vocana::FrameStatus;

// Bytes of results a block may hold, and the blocks in flight per worker:
// enough frames per block that handing over costs nothing beside analysing
// them, few enough that the results in flight stay a fraction of a MB.
constexpr std::size_t BLOCK_BYTES = 256 * 1024;
constexpr int BLOCKS_PER_WORKER = 2;
constexpr int MAX_BLOCK_FRAMES = 64;

// One block of consecutive frames, analysed by one worker.
struct Block {
  long ready = -1;                   // number of the block the results belong to
  std::vector<FrameResult> results;  // one per frame of the block
  std::vector<char> carried;         // the frame must be analysed again in order
  int count = 0;                     // frames analysed (up to a failure)
  bool failed = false;               // results[count - 1] failed in the root finder
  std::exception_ptr error;          // what the failure threw
};

struct Pool {
  std::span<const Sample> samples;
  vocana::AnalysisSettings settings;
  long frames = 0;       // whole frames in the span
  int block_frames = 1;  // frames per block
  long blocks = 0;       // blocks in the span
  std::vector<Block> ring;
  std::mutex mutex;
  std::condition_variable changed;
  long next_block = 0;  // the next block a worker takes
  long delivered = 0;   // blocks handed to the sink
  bool stop = false;
};

int frame_bytes(const vocana::AnalysisSettings& settings) {
  int m = 0;
  for (int n = 1; n < settings.frame_length; n *= 2) ++m;
  const int points = (1 << m) / 2 + 1;
  const int spectra = (settings.fft_spectrum ? 2 : 0) + (settings.lpc_spectrum ? 2 : 0);
  return static_cast<int>(sizeof(FrameResult)) + spectra * points * 8 + 256;
}

// A worker's working sets, one per frame of a pair.
using PairWork = std::array<FrameWork, 2>;

// Analyses the frames of block `number` into `block`, two at a time.
void analyze_block(Pool& pool, long number, PairWork& work, Block& block) {
  const long first = number * pool.block_frames;
  const int count = static_cast<int>(std::min<long>(pool.block_frames, pool.frames - first));
  block.count = 0;
  block.failed = false;
  block.error = nullptr;
  for (int i = 0; i < count; i += 2) {
    const long long start =
        pool.settings.start_point + static_cast<long long>(first + i) * pool.settings.frame_rate;
    FrameResult& result = block.results[static_cast<std::size_t>(i)];
    int at = 0;
    int whole = 1;
    try {
      if (i + 1 < count) {
        whole = analyze_frame_pair(pool.samples, pool.settings, start, {&work[0], &work[1]},
                                   {&result, &block.results[static_cast<std::size_t>(i + 1)]}, at);
      } else {  // the last frame of an odd block goes alone
        analyze_frame(pool.samples, pool.settings, static_cast<int>(start), work[0], result);
      }
    } catch (...) {
      // The frame that failed is the block's last; the calling thread decides
      // whether the failure stands (see analyze_on_threads).
      block.error = std::current_exception();
      block.failed = true;
      block.results[static_cast<std::size_t>(i + at)].status = FrameStatus::failed;
      for (int k = 0; k <= at; ++k)
        block.carried[static_cast<std::size_t>(i + k)] = work[k].carried;
      block.count = i + at + 1;
      return;
    }
    for (int k = 0; k < whole; ++k)
      block.carried[static_cast<std::size_t>(i + k)] = work[k].carried;
    block.count = i + whole;
  }
}

void work_on_blocks(Pool& pool, PairWork& work) {
  const long window = static_cast<long>(pool.ring.size());
  for (;;) {
    long number = 0;
    {
      std::unique_lock<std::mutex> lock(pool.mutex);
      pool.changed.wait(lock, [&] {
        return pool.stop || pool.next_block >= pool.blocks ||
               pool.next_block < pool.delivered + window;
      });
      if (pool.stop || pool.next_block >= pool.blocks) return;
      number = pool.next_block++;
    }
    Block& block = pool.ring[static_cast<std::size_t>(number % window)];
    analyze_block(pool, number, work, block);
    {
      std::lock_guard<std::mutex> lock(pool.mutex);
      block.ready = number;
    }
    pool.changed.notify_all();
  }
}

// The coefficients a frame leaves for the frames after it: those it wrote,
// or, where it wrote none, those it found (which it then holds too, as on one
// thread).
void update_carry(FrameResult& frame, bool critical, FrameResult& carry) {
  const bool wrote = critical ? frame.has_tilt : frame.status != FrameStatus::silence;
  if (wrote) {
    carry.coefs = frame.coefs;
    carry.reflection = frame.reflection;
  } else {
    frame.coefs = carry.coefs;
    frame.reflection = carry.reflection;
  }
}

// Joins the workers however the delivery ends.
struct Workers {
  Pool& pool;
  std::vector<std::thread> threads;
  ~Workers() {
    {
      std::lock_guard<std::mutex> lock(pool.mutex);
      pool.stop = true;
    }
    pool.changed.notify_all();
    for (std::thread& thread : threads) thread.join();
  }
};

}  // namespace

bool analyze_on_threads(std::span<const Sample> samples, const vocana::AnalysisSettings& settings,
                        int threads, const vocana::FrameSink& sink,
                        const vocana::AnalysisReady& ready) {
  Pool pool;
  pool.samples = samples;
  pool.settings = settings;
  pool.frames = vocana::frame_count(settings);
  const int per_frame = frame_bytes(settings);
  pool.block_frames = std::clamp(
      static_cast<int>(BLOCK_BYTES / static_cast<std::size_t>(per_frame)), 1, MAX_BLOCK_FRAMES);
  pool.blocks = (pool.frames + pool.block_frames - 1) / pool.block_frames;
  // More workers than blocks, or far more than cores, would only hold
  // memory: neither gives the results sooner.
  const long useful = std::min<long>(std::max<long>(pool.blocks, 1),
                                     static_cast<long>(vocana::available_threads()) * 4);
  threads = static_cast<int>(std::min<long>(threads, useful));
  // All the memory of the pool, every result record sized, before any worker
  // starts; without it the frames are analysed on the calling thread.
  FrameWork own_work;
  FrameResult carry;
  std::vector<PairWork> works;
  FrameResult again;  // a carried frame analysed again
  try {
    pool.ring.resize(static_cast<std::size_t>(threads * BLOCKS_PER_WORKER));
    prepare_frame_work(settings, own_work, carry);
    works.resize(static_cast<std::size_t>(threads));
    for (PairWork& pair : works) {
      prepare_frame_work(settings, pair[0], again);
      prepare_frame_work(settings, pair[1], again, false);
    }
    for (Block& block : pool.ring) {
      block.results.assign(static_cast<std::size_t>(pool.block_frames), carry);
      block.carried.assign(static_cast<std::size_t>(pool.block_frames), 0);
    }
    again = carry;
    reserve_messages(again);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const vocana::Error&) {
    return false;
  }

  Workers workers{pool, {}};
  for (PairWork& work : works) {
    try {
      workers.threads.emplace_back(work_on_blocks, std::ref(pool), std::ref(work));
    } catch (const std::system_error&) {
      break;  // no more threads to be had: those started do the work
    }
  }
  if (workers.threads.empty()) return false;
  if (ready) ready();

  const long window = static_cast<long>(pool.ring.size());
  for (long number = 0; number < pool.blocks; ++number) {
    Block& block = pool.ring[static_cast<std::size_t>(number % window)];
    {
      std::unique_lock<std::mutex> lock(pool.mutex);
      pool.changed.wait(lock, [&] { return block.ready == number; });
    }
    const long first = number * pool.block_frames;
    const int total = static_cast<int>(std::min<long>(pool.block_frames, pool.frames - first));
    for (int i = 0; i < total; ++i) {
      // Frames after a worker's failure, and frames that may depend on the
      // coefficients of the frame before, are analysed here, in order.
      const bool in_order = i >= block.count || block.carried[static_cast<std::size_t>(i)] != 0;
      FrameResult* frame = &block.results[static_cast<std::size_t>(i)];
      if (!in_order && block.failed && i == block.count - 1) {
        // The frame's own coefficients failed: the same failure as in order.
        try {
          std::rethrow_exception(block.error);
        } catch (const vocana::Error& error) {
          if (error.kind() == vocana::ErrorKind::analysis) sink(*frame);
          throw;
        }
      }
      if (in_order) {
        again.coefs = carry.coefs;
        again.reflection = carry.reflection;
        const long long start =
            settings.start_point + static_cast<long long>(first + i) * settings.frame_rate;
        try {
          analyze_frame(samples, settings, static_cast<int>(start), own_work, again);
        } catch (const vocana::Error& error) {
          if (error.kind() != vocana::ErrorKind::analysis) throw;
          again.status = FrameStatus::failed;
          sink(again);
          throw;
        }
        frame = &again;
      }
      update_carry(*frame, settings.critical, carry);
      sink(*frame);
    }
    {
      std::lock_guard<std::mutex> lock(pool.mutex);
      pool.delivered = number + 1;
    }
    pool.changed.notify_all();
  }
  return true;
}
