#include "tcp_server.h"
#include "listener.h"

#include <array>
#include <set>
#include <utility>

#include "kavrel/little_endian.h"
#include "store_worker.h"

namespace kavreld {

class Connection;

// What the server and its connections share; it outlives the server object when
// connections are still being torn down.
struct TcpServer::Shared {
  RequestHandler* handler = nullptr;
  ServerOptions options;
  LogSink log;
  std::size_t active = 0;
  bool paused = false;  // at the connection cap: accepting resumes when one closes
  std::function<void()> resume;
  std::set<Connection*> open;
  std::shared_ptr<AddressLimit> perAddress;
  StoreWorker* worker = nullptr;  // none once stopped
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(asio::ip::tcp::socket socket, AddressLimit::Slot slot, std::shared_ptr<TcpServer::Shared> shared)
      : socket_(std::move(socket)),
        slot_(std::move(slot)),
        timer_(socket_.get_executor()),
        deadline_(socket_.get_executor()),
        shared_(std::move(shared)) {
    ++shared_->active;
    shared_->open.insert(this);
    std::error_code ec;
    auto endpoint = socket_.remote_endpoint(ec);
    peer_ = ec ? std::string("?") : endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
  }

  ~Connection() {
    shared_->open.erase(this);
    --shared_->active;
    if (shared_->paused && shared_->resume) {
      shared_->paused = false;
      shared_->resume();
    }
  }

  void Start() {
    // Besides the idle time-out, a whole exchange gets a bounded time, so that a
    // client trickling one byte at a time cannot hold a connection for hours.
    deadline_.expires_after(shared_->options.idleTimeout * kDeadlineIdleTimes);
    deadline_.async_wait([self = shared_from_this()](const std::error_code& ec) {
      if (ec) return;
      self->Log("took longer than " + std::to_string(kDeadlineIdleTimes) + " idle time-outs; closed");
      self->Close();
    });
    ArmTimer();
    ReadRequest();
  }

  void Close() {
    std::error_code ec;
    timer_.cancel();
    deadline_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    socket_.close(ec);
  }

 private:
  void Log(const std::string& what) {
    std::string line = peer_;
    if (parser_.HaveHeader()) line += " code=" + std::to_string(parser_.request().code);
    shared_->log(line + " " + what);
  }

  void ArmTimer() {
    timer_.expires_after(shared_->options.idleTimeout);
    timer_.async_wait([self = shared_from_this()](const std::error_code& ec) {
      if (ec) return;  // re-armed or cancelled
      self->Log(self->phase_ == Phase::Request
                    ? "timed out after " + std::to_string(self->received_) + " bytes of request"
                    : self->phase_ == Phase::Reply ? "timed out sending the reply"
                                                   : "timed out waiting for the acknowledgement");
      self->Close();
    });
  }

  void ReadRequest() {
    socket_.async_read_some(asio::buffer(input_), [self = shared_from_this()](const std::error_code& ec,
                                                                             std::size_t n) {
      self->OnRequestBytes(ec, n);
    });
  }

  void OnRequestBytes(const std::error_code& ec, std::size_t n) {
    if (ec) {
      if (ec != asio::error::operation_aborted)
        Log(received_ == 0 ? "closed without a request"
                           : "closed after " + std::to_string(received_) + " bytes of an incomplete request");
      Close();
      return;
    }
    received_ += n;
    std::size_t used = 0;
    auto state = parser_.Feed(std::span<const std::uint8_t>(input_.data(), n), used);
    if (state == RequestParser::State::Rejected) {
      Log("rejected: " + parser_.error());
      Close();
      return;
    }
    if (state == RequestParser::State::NeedMore) {
      ArmTimer();
      ReadRequest();
      return;
    }
    if (used < n) {
      Log("rejected: " + std::to_string(n - used) + " bytes beyond the body");
      Close();
      return;
    }
    Answer();
  }

  void Answer() {
    if (!RequestHandler::UsesStore(parser_.request().code)) return Send(shared_->handler->Handle(parser_.request()));
    if (!shared_->worker) return Close();  // stopping
    // The store works on its own thread; the reply comes back to this one. The
    // exchange's deadline still bounds the wait.
    phase_ = Phase::Store;
    timer_.cancel();
    shared_->worker->Post([self = shared_from_this(), handler = shared_->handler,
                           executor = socket_.get_executor()]() mutable {
      RequestHandler::Reply reply = handler->Handle(self->parser_.request());
      // This thread keeps no reference: the connection ends on the I/O thread.
      asio::post(executor, [self = std::move(self), reply = std::move(reply)]() mutable {
        if (self->phase_ == Phase::Store && self->socket_.is_open()) self->Send(std::move(reply));
      });
    });
  }

  void Send(RequestHandler::Reply reply) {
    if (!reply.send) {
      Log("closed without a reply: " + reply.note);
      Close();
      return;
    }
    note_ = "reply=" + std::to_string(reply.bytes.size()) + (reply.note.empty() ? "" : " " + reply.note);
    // Length word and body leave in one write, so a client that takes the body with
    // a single receive finds it whole.
    output_.resize(4 + reply.bytes.size());
    kavrel::WriteU32(output_.data(), 0, static_cast<std::uint32_t>(reply.bytes.size()));
    std::copy(reply.bytes.begin(), reply.bytes.end(), output_.begin() + 4);
    phase_ = Phase::Reply;
    ArmTimer();
    asio::async_write(socket_, asio::buffer(output_), [self = shared_from_this()](const std::error_code& ec,
                                                                                 std::size_t) {
      if (ec) {
        if (ec != asio::error::operation_aborted) self->Log(self->note_ + " not delivered: " + ec.message());
        self->Close();
        return;
      }
      self->phase_ = Phase::Acknowledgement;
      self->ArmTimer();
      asio::async_read(self->socket_, asio::buffer(self->ack_),
                       [self](const std::error_code& ec2, std::size_t) {
                         if (ec2 == asio::error::operation_aborted) return;  // time-out logged it
                         self->Log(ec2 ? self->note_ + " (no acknowledgement)" : self->note_);
                         self->Close();
                       });
    });
  }

  enum class Phase { Request, Store, Reply, Acknowledgement };
  static constexpr int kDeadlineIdleTimes = 6;

  asio::ip::tcp::socket socket_;
  AddressLimit::Slot slot_;
  asio::steady_timer timer_;     // idle time-out, re-armed by every step
  asio::steady_timer deadline_;  // the whole exchange
  std::shared_ptr<TcpServer::Shared> shared_;
  std::string peer_;
  RequestParser parser_;
  std::array<std::uint8_t, 4096> input_{};
  std::size_t received_ = 0;
  std::vector<std::uint8_t> output_;
  std::array<std::uint8_t, 4> ack_{};
  std::string note_;
  Phase phase_ = Phase::Request;
};

TcpServer::TcpServer(asio::io_context& io, RequestHandler& handler, ServerOptions options, LogSink log)
    : io_(io), acceptor_(io), retry_(io), shared_(std::make_shared<Shared>()) {
  shared_->handler = &handler;
  shared_->options = std::move(options);
  shared_->log = std::move(log);
  shared_->perAddress = AddressLimit::Create(shared_->options.maxPerAddress);
}

TcpServer::~TcpServer() { Stop(); }

bool TcpServer::Start(std::string& error) {
  if (!Listen(acceptor_, shared_->options.address, shared_->options.port, "traffic server", error)) return false;
  worker_ = std::make_unique<StoreWorker>();
  shared_->worker = worker_.get();
  shared_->resume = [this] { Accept(); };
  Accept();
  return true;
}

void TcpServer::Stop() {
  shared_->resume = nullptr;
  std::error_code ec;
  retry_.cancel();
  acceptor_.close(ec);
  std::set<Connection*> open = shared_->open;
  for (Connection* c : open) c->Close();
  shared_->worker = nullptr;
  if (worker_) worker_->Stop();
}

std::size_t TcpServer::ActiveConnections() const { return shared_->active; }

void TcpServer::Accept() {
  if (!acceptor_.is_open()) return;
  if (shared_->active >= shared_->options.maxConnections) {
    shared_->paused = true;
    return;
  }
  acceptor_.async_accept([this, shared = shared_](const std::error_code& ec, asio::ip::tcp::socket socket) {
    if (ec == asio::error::operation_aborted || !shared->resume) return;  // stopped
    if (ec) {
      // Out of descriptors and the like: try again shortly instead of spinning.
      shared->log("accept failed: " + ec.message());
      retry_.expires_after(std::chrono::milliseconds(100));
      retry_.async_wait([this, shared](const std::error_code& e) {
        if (!e && shared->resume) Accept();
      });
      return;
    }
    std::error_code peerError;
    asio::ip::address peer = socket.remote_endpoint(peerError).address();
    std::optional<AddressLimit::Slot> slot;
    if (!peerError) slot = shared->perAddress->Take(peer);
    if (slot) {
      std::make_shared<Connection>(std::move(socket), std::move(*slot), shared)->Start();
    } else {
      if (!peerError)
        shared->log(peer.to_string() + " refused: " + std::to_string(shared->perAddress->perAddress()) +
                    " connections from this address are open");
      std::error_code ignored;
      socket.close(ignored);
    }
    Accept();
  });
}

}  // namespace kavreld
