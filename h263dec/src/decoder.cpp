#include "decoder.h"

#include <cstdio>
#include <cstring>

#include "colour_convert.h"
#include "idct.h"
#include "kavrel/clock.h"
#include "kavrel/window_handles.h"
#include "motion_comp.h"

namespace camdec {

void PlaneSet::Allocate(int w, int h) {
  width = w;
  height = h;
  yStride = w + 2 * kLumaBorder;
  cStride = w / 2 + 2 * kChromaBorder;
  y.assign(static_cast<std::size_t>(yStride) * (h + 2 * kLumaBorder), 128);
  cb.assign(static_cast<std::size_t>(cStride) * (h / 2 + 2 * kChromaBorder), 128);
  cr.assign(cb.size(), 128);
}

namespace {

void ExtendPlane(std::uint8_t* origin, int stride, int w, int h, int border) {
  for (int row = 0; row < h; ++row) {
    std::uint8_t* line = origin + row * stride;
    std::memset(line - border, line[0], static_cast<std::size_t>(border));
    std::memset(line + w, line[w - 1], static_cast<std::size_t>(border));
  }
  const std::size_t full = static_cast<std::size_t>(w + 2 * border);
  std::uint8_t* top = origin - border;
  std::uint8_t* bottom = origin + (h - 1) * stride - border;
  for (int i = 1; i <= border; ++i) {
    std::memcpy(top - i * stride, top, full);
    std::memcpy(bottom + i * stride, bottom, full);
  }
}

}  // namespace

void PlaneSet::ExtendBorder() {
  ExtendPlane(Y(), yStride, width, height, kLumaBorder);
  ExtendPlane(Cb(), cStride, width / 2, height / 2, kChromaBorder);
  ExtendPlane(Cr(), cStride, width / 2, height / 2, kChromaBorder);
}

bool Decoder::Init(std::uint32_t window, const std::uint8_t* input, std::uint8_t* output, int format) {
  switch (format) {
    case 1: width_ = 128, height_ = 96; break;
    case 2: width_ = 176, height_ = 144; break;
    case 3: width_ = 352, height_ = 288; break;
    default: return false;
  }
  window_ = window;
  input_ = input;
  output_ = output;
  frameCount_ = 0;
  noPictureYet_ = true;
  damagedPictures_ = 0;
  mbCols_ = width_ / 16;
  mbRows_ = height_ / 16;
  for (auto& s : sets_) s.Allocate(width_, height_);
  current_ = 0;
  info_.assign(static_cast<std::size_t>(mbCols_ * mbRows_), MbInfo{});
  row_.assign(static_cast<std::size_t>(mbCols_), MacroblockData{});
  return true;
}

void Decoder::Report(const std::string& detail) {
  if (reported_) return;  // one report per picture
  reported_ = true;
  ++damagedPictures_;
  if (sink_) {
    sink_(detail);
    return;
  }
  std::shared_ptr<kavrel::WindowTarget> target = window_ ? kavrel::FindWindow(window_) : nullptr;
  if (target) {
    target->DrawText("error", kavrel::TextRect{0, 30, 300, 60});
    kavrel::Sleep(1000);
  } else {
    std::fprintf(stderr, "CAMDEC: error in picture %d: %s\n", frameCount_ + 1, detail.c_str());
  }
}

void Decoder::Decode(int length) {
  if (!output_ || width_ == 0) return;
  if (length < 0 || !input_) length = 0;
  BitReader bits(input_, static_cast<std::size_t>(length));
  PictureHeader h;
  ReadPictureHeader(bits, h);
  reported_ = false;
  if (noPictureYet_ && h.inter) {
    std::memset(output_, 255, static_cast<std::size_t>(width_) * height_ * 3);
    return;
  }
  if (const char* why = UnsupportedReason(h)) {
    Report(why);
    return;
  }
  noPictureYet_ = false;
  ref_ = &sets_[current_];
  current_ = (current_ + 1) % 3;
  cur_ = &sets_[current_];
  // An inter picture always follows a decoded one (noPictureYet), whose border its
  // vectors may reach. Before the first picture the sets hold mid-grey.
  if (h.inter) ref_->ExtendBorder();
  DecodePicture(bits, h);
  ConvertToBgr(PlaneView{cur_->Y(), cur_->Cb(), cur_->Cr(), cur_->yStride, cur_->cStride}, width_, height_,
               output_);
  ++frameCount_;
}

void Decoder::DecodePicture(BitReader& bits, const PictureHeader& h) {
  const int total = mbCols_ * mbRows_;
  const int perGob = MacroblocksPerGob(h.sourceFormat);
  const int gobCount = (total + perGob - 1) / perGob;
  const bool vectorsMayLeave = h.unrestrictedVectors || h.advancedPrediction;
  advancedPrediction_ = h.advancedPrediction;
  int quant = h.quant;
  MacroblockContext ctx;
  ctx.interPicture = h.inter;
  ctx.unrestrictedVectors = h.unrestrictedVectors;
  ctx.advancedPrediction = h.advancedPrediction;
  ctx.mbCols = mbCols_;
  ctx.info = &info_;
  for (auto& i : info_) i = MbInfo{};

  // Looks for the next group-of-blocks header after group `gob`; returns the first
  // macroblock of its group (its header read), or `total` when there is none.
  auto resynchronise = [&](int gob) -> int {
    while (bits.BitsLeft() >= 17 + 5 + 7) {
      if (bits.Peek(17) != 1) {
        bits.Skip(1);
        continue;
      }
      bits.Skip(17);
      int number = static_cast<int>(bits.Read(5));
      if (number == 0 || number == 31) return total;  // the next picture or the end
      if (number <= gob || number >= gobCount) continue;
      if (h.continuousPresence) bits.Skip(2);
      bits.Skip(2);
      int q = static_cast<int>(bits.Read(5));
      if (q == 0) continue;
      quant = q;
      return number * perGob;
    }
    return total;
  };

  int mb = 0;
  bool headerRead = false;  // the group header at mb was read by resynchronise
  while (mb < total) {
    if (mb % perGob == 0 && mb != 0 && !headerRead) {
      ctx.gobFirstMb = mb;
      ctx.gobHeader = false;
      if (GobHeaderAhead(bits)) {
        GobHeader g;
        ReadGobHeader(bits, h.continuousPresence, g);
        const int first = g.number * perGob;
        if (g.number >= 1 && g.number < gobCount && first >= mb && g.quant != 0) {
          if (first > mb) Report("groups missing before group " + std::to_string(g.number));
          Conceal(mb, first);
          mb = first;
          quant = g.quant;
          ctx.gobFirstMb = mb;
          ctx.gobHeader = true;
        } else {
          Report("group header " + std::to_string(g.number) + " at macroblock " + std::to_string(mb));
          int next = (g.number == 0 || g.number == 31) ? total : resynchronise(mb / perGob);
          Conceal(mb, next);
          mb = next;
          ctx.gobFirstMb = mb;
          ctx.gobHeader = true;
          headerRead = true;
          continue;
        }
      }
    }
    headerRead = false;
    ctx.mbIndex = mb;
    MacroblockData& d = row_[static_cast<std::size_t>(mb % mbCols_)];
    const char* why = "";
    if (ParseMacroblock(bits, ctx, quant, d, why) != ParseResult::kOk) {
      Report(std::string(why) + " at macroblock " + std::to_string(mb));
      int next = resynchronise(mb / perGob);
      Conceal(mb, next);
      mb = next;
      ctx.gobFirstMb = mb;
      ctx.gobHeader = true;
      headerRead = true;
      continue;
    }
    if (d.mode == MbMode::kInter && !vectorsMayLeave) {
      const int x = (mb % mbCols_) * 16 + (d.mv[0].x >> 1), y = (mb / mbCols_) * 16 + (d.mv[0].y >> 1);
      if (x < 0 || y < 0 || x + 16 + (d.mv[0].x & 1) > width_ || y + 16 + (d.mv[0].y & 1) > height_)
        Report("motion vector outside the picture at macroblock " + std::to_string(mb));
    }
    MbInfo& in = info_[static_cast<std::size_t>(mb)];
    in.mode = d.mode;
    for (int b = 0; b < 4; ++b) in.mv[b] = d.mv[b];
    Store(mb);
    ++mb;
  }
}

void Decoder::Conceal(int from, int to) {
  for (int mb = from; mb < to; ++mb) {
    row_[static_cast<std::size_t>(mb % mbCols_)].mode = MbMode::kMissing;
    info_[static_cast<std::size_t>(mb)] = MbInfo{};
    Store(mb);
  }
}

void Decoder::Store(int index) {
  if (index % mbCols_ == mbCols_ - 1) ReconstructRow(index / mbCols_);
}

void Decoder::ReconstructRow(int row) {
  for (int mbx = 0; mbx < mbCols_; ++mbx) Reconstruct(row_[static_cast<std::size_t>(mbx)], mbx, row);
}

namespace {

inline void Transform(MacroblockData& mb, int b) {
  if ((mb.dcOnly >> b) & 1)
    InverseDctDcOnly(mb.coeff[b]);
  else
    InverseDct(mb.coeff[b]);
}

}  // namespace

void Decoder::Reconstruct(MacroblockData& mb, int mbx, int mby) {
  const int ys = cur_->yStride, cs = cur_->cStride;
  std::uint8_t* y = cur_->Y() + mby * 16 * ys + mbx * 16;
  std::uint8_t* cb = cur_->Cb() + mby * 8 * cs + mbx * 8;
  std::uint8_t* cr = cur_->Cr() + mby * 8 * cs + mbx * 8;
  std::uint8_t* dst[6] = {y, y + 8, y + 8 * ys, y + 8 * ys + 8, cb, cr};
  const int stride[6] = {ys, ys, ys, ys, cs, cs};

  switch (mb.mode) {
    case MbMode::kIntra:
      for (int b = 0; b < 6; ++b) {
        Transform(mb, b);
        PutIntra(dst[b], stride[b], mb.coeff[b]);
      }
      return;
    case MbMode::kMissing: {
      // The previous picture shows through where this one could not be read.
      const std::uint8_t* ry = ref_->Y() + mby * 16 * ys + mbx * 16;
      const std::uint8_t* rcb = ref_->Cb() + mby * 8 * cs + mbx * 8;
      const std::uint8_t* rcr = ref_->Cr() + mby * 8 * cs + mbx * 8;
      PredictBlock(y, ys, ry, ys, 16, 0, 0);
      PredictBlock(cb, cs, rcb, cs, 8, 0, 0);
      PredictBlock(cr, cs, rcr, cs, 8, 0, 0);
      return;
    }
    case MbMode::kSkipped:
    case MbMode::kInter:
      PredictInter(mb, mbx, mby);
      for (int b = 0; b < 6; ++b) {
        if (!((mb.cbp >> (5 - b)) & 1)) continue;
        Transform(mb, b);
        AddResidual(dst[b], stride[b], mb.coeff[b]);
      }
      return;
  }
}

void Decoder::PredictInter(const MacroblockData& mb, int mbx, int mby) {
  const int ys = cur_->yStride, cs = cur_->cStride;
  if (advancedPrediction_) {
    PredictLumaOverlapped(mb, mbx, mby);
  } else {
    const MotionVector v = mb.mv[0];
    const std::uint8_t* src = ref_->Y() + (mby * 16 + (v.y >> 1)) * ys + mbx * 16 + (v.x >> 1);
    PredictBlock(cur_->Y() + mby * 16 * ys + mbx * 16, ys, src, ys, 16, v.x & 1, v.y & 1);
  }
  int cx, cy;
  if (mb.fourVectors) {
    cx = ChromaFromFourVectors(mb.mv[0].x + mb.mv[1].x + mb.mv[2].x + mb.mv[3].x);
    cy = ChromaFromFourVectors(mb.mv[0].y + mb.mv[1].y + mb.mv[2].y + mb.mv[3].y);
  } else {
    cx = ChromaFromOneVector(mb.mv[0].x);
    cy = ChromaFromOneVector(mb.mv[0].y);
  }
  const int offset = (mby * 8 + (cy >> 1)) * cs + mbx * 8 + (cx >> 1);
  const int at = mby * 8 * cs + mbx * 8;
  PredictBlock(cur_->Cb() + at, cs, ref_->Cb() + offset, cs, 8, cx & 1, cy & 1);
  PredictBlock(cur_->Cr() + at, cs, ref_->Cr() + offset, cs, 8, cx & 1, cy & 1);
}

MotionVector Decoder::RemoteVector(int mbx, int mby, int block, const MotionVector& own) const {
  if (mbx < 0 || mby < 0 || mbx >= mbCols_ || mby >= mbRows_) return own;  // beyond the picture
  const MbInfo& n = info_[static_cast<std::size_t>(mby * mbCols_ + mbx)];
  switch (n.mode) {
    case MbMode::kIntra: return own;
    case MbMode::kInter: return n.mv[block];
    default: return {};  // not coded (or not decoded)
  }
}

void Decoder::PredictLumaOverlapped(const MacroblockData& mb, int mbx, int mby) {
  const int ys = cur_->yStride;
  alignas(16) std::uint8_t pred[5][64];
  for (int b = 0; b < 4; ++b) {
    const int bx = b & 1, by = b >> 1;
    const MotionVector own = mb.mv[b];
    // Remote vectors: of the neighbouring block above, below, left and right. Blocks
    // of the macroblock below are never used (it is not decoded yet): the block's own
    // vector stands in for them.
    MotionVector above = by == 0 ? RemoteVector(mbx, mby - 1, b + 2, own) : mb.mv[b - 2];
    MotionVector below = by == 0 ? mb.mv[b + 2] : own;
    MotionVector left = bx == 0 ? RemoteVector(mbx - 1, mby, b + 1, own) : mb.mv[b - 1];
    MotionVector right = bx == 1 ? RemoteVector(mbx + 1, mby, b - 1, own) : mb.mv[b + 1];
    const MotionVector vectors[5] = {own, above, below, left, right};
    const int x = mbx * 16 + bx * 8, y = mby * 16 + by * 8;
    std::uint8_t* dst = cur_->Y() + y * ys + x;
    auto predict = [&](const MotionVector& v, std::uint8_t* out, int stride) {
      const std::uint8_t* src = ref_->Y() + (y + (v.y >> 1)) * ys + x + (v.x >> 1);
      PredictBlock(out, stride, src, ys, 8, v.x & 1, v.y & 1);
    };
    if (above == own && below == own && left == own && right == own) {
      predict(own, dst, ys);  // the weights sum to 8: the plain prediction
      continue;
    }
    // Remote vectors equal to the block's own share its prediction.
    const std::uint8_t* use[5];
    for (int k = 0; k < 5; ++k) {
      if (k > 0 && vectors[k] == own) {
        use[k] = pred[0];
        continue;
      }
      predict(vectors[k], pred[k], 8);
      use[k] = pred[k];
    }
    BlendOverlapped(dst, ys, use[0], use[1], use[2], use[3], use[4]);
  }
}

}  // namespace camdec
