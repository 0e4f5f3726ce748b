// The local side of a transfer: the temporary file beside the target that receives the body,
// and the writer that puts the received chunks into it in large blocks on a thread of its own.
#pragma once

#include <windows.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "net/download_resume.h"
#include "net/download_to_file.h"
#include "util/handles.h"

namespace storvane {

inline constexpr DWORD kChunkSize = 10240;
// The body goes to the file in blocks of 100 chunks (BlockWriter), and the file is flushed to the
// disk every 8 blocks while the transfer goes on, so that the flush before the replace finds at
// most a few megabytes still to be put on the disk.
inline constexpr DWORD kBlockSize = 100 * kChunkSize;
inline constexpr int kBlockCount = 3;
inline constexpr int kBlocksPerFlush = 8;
inline constexpr DWORD kBlockHoldMs = 500;
inline constexpr wchar_t kTemporarySuffix[] = L".download";

// The folder `target` lies in ("." when it names none).
std::wstring FolderOfTarget(const std::wstring& target);

// Removes the numbered "svd*.tmp" files earlier versions left in the target's folder, a new one
// for every killed transfer. A file still in use elsewhere stays.
void RemoveLegacyTemporaryFiles(const std::wstring& target);

// A file in the target's folder that receives the body. It disappears with its owner, together
// with its resume record, unless it has been moved over the target or is kept for a later
// transfer to continue, so no failure path can leave it behind by mistake.
class TemporaryDownloadFile {
public:
  TemporaryDownloadFile() = default;
  TemporaryDownloadFile(const TemporaryDownloadFile&) = delete;
  TemporaryDownloadFile& operator=(const TemporaryDownloadFile&) = delete;
  ~TemporaryDownloadFile() {
    file_.reset();
    if (!path_.empty() && !kept_) RemovePartial(path_);
  }

  // How the file starts: empty, as a copy of the target, or as what an earlier transfer left.
  enum class Start { Empty, CopyOfTarget, Continued };

  // Opens the target's temporary file for writing; writing goes on at its end.
  bool Open(const std::wstring& target, Start start) {
    path_ = target + kTemporarySuffix;
    bool existing = start == Start::Continued;
    if (start == Start::CopyOfTarget) {
      existing = ::CopyFileW(target.c_str(), path_.c_str(), FALSE) != 0;
      if (!existing && ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    }
    file_.reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              existing ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return false;
    LARGE_INTEGER zero{};
    return !existing || ::SetFilePointerEx(file_.get(), zero, nullptr, FILE_END);
  }

  // Leaves the closed file and its record for a later transfer to continue.
  void Keep() { kept_ = true; }

  bool Write(const void* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
  }

  // Writes what the system still holds for the file to disk (the writer thread's periodic flush).
  bool Flush() { return ::FlushFileBuffers(file_.get()) != 0; }

  // Closes the file with everything written on disk, ready to be checked and moved.
  bool Close() {
    const bool flushed = ::FlushFileBuffers(file_.get()) != 0;
    file_.reset();
    return flushed;
  }

  // Puts the closed file in the target's place.
  bool ReplaceTarget(const std::wstring& target) {
    if (!ReplaceFileWithRetries(path_, target)) return false;
    path_.clear();
    return true;
  }

  const std::wstring& path() const { return path_; }

private:
  std::wstring path_;
  UniqueHandle file_;
  bool kept_ = false;
};

// Chunks are received straight into large blocks, and full blocks go to the file on a thread of
// their own. Written chunk by chunk on the receiving thread, a body cost a system call per 10 KB
// and its disk work came after the network work instead of beside it. The receiver waits only
// while every block is still being written; should no thread start, it writes full blocks itself.
class BlockWriter {
public:
  explicit BlockWriter(TemporaryDownloadFile& file) : file_(file) {
    for (Block& block : blocks_) {
      block.data = std::make_unique_for_overwrite<uint8_t[]>(kBlockSize);
      free_.push_back(&block);
    }
    current_ = TakeFreeBlock();
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
    }
  }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;
  ~BlockWriter() { Stop(); }

  // Where the next chunk goes: room for kChunkSize bytes.
  uint8_t* Space() const { return current_->data.get() + current_->used; }

  // `size` bytes have arrived at Space(). False once a write has failed. A block goes to the file
  // once full, or once it has been filling for half a second: on a slow line what has arrived is
  // then in the file soon, so a transfer whose program is ended leaves it for the next to continue.
  bool Received(DWORD size) {
    current_->used += size;
    const DWORD now = ::GetTickCount();
    if (kBlockSize - current_->used >= kChunkSize && now - handedOver_ < kBlockHoldMs) return true;
    handedOver_ = now;
    if (!thread_.joinable()) {
      const bool ok = WriteBlock(*current_);
      current_->used = 0;
      return ok;
    }
    std::unique_lock lock(mutex_);
    full_.push_back(current_);
    changed_.notify_all();
    changed_.wait(lock, [this] { return !free_.empty(); });
    current_ = TakeFreeBlock();
    return !failed_;
  }

  // Writes what is left and waits until every block is in the file. False if a write failed.
  bool Finish() {
    if (!thread_.joinable()) return current_->used == 0 || WriteBlock(*current_);
    std::unique_lock lock(mutex_);
    (current_->used > 0 ? full_ : free_).push_back(current_);
    current_ = nullptr;
    changed_.notify_all();
    changed_.wait(lock, [this] { return free_.size() == blocks_.size(); });
    lock.unlock();
    Stop();
    return !failed_;
  }

private:
  struct Block {
    std::unique_ptr<uint8_t[]> data;
    DWORD used = 0;
  };

  Block* TakeFreeBlock() {
    Block* block = free_.back();
    free_.pop_back();
    block->used = 0;
    return block;
  }

  bool WriteBlock(const Block& block) {
    if (!file_.Write(block.data.get(), block.used)) return false;
    if (++blocksSinceFlush_ < kBlocksPerFlush) return true;
    blocksSinceFlush_ = 0;
    return file_.Flush();
  }

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stop_ || !full_.empty(); });
      if (stop_) return;
      Block* block = full_.front();
      full_.erase(full_.begin());
      // After a failure the blocks only go back: the transfer is ending.
      const bool write = !failed_;
      lock.unlock();
      const bool ok = !write || WriteBlock(*block);
      lock.lock();
      if (!ok) failed_ = true;
      free_.push_back(block);
      changed_.notify_all();
    }
  }

  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  TemporaryDownloadFile& file_;
  std::array<Block, kBlockCount> blocks_;
  Block* current_ = nullptr;
  int blocksSinceFlush_ = 0;             // the writing thread's alone
  DWORD handedOver_ = ::GetTickCount();  // when the last block went to the writing thread
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Block*> full_;  // in the order they were filled
  std::vector<Block*> free_;
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace storvane
