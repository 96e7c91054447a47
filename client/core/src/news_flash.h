// The news flash: whether the scroller shows, the refresh period's parts, and the
// joined text with its width estimate in pixels.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

class CNewsFlash {
 public:
  int show = 1;     // 1: the scroller shows
  int seconds = 0;  // extra seconds of the refresh period
  int minutes = 5;  // from the server limits
  QString text;
  int width = 0;  // pixels
  std::uint32_t lastTick = 0;
  std::uint32_t interval = 0;

  // Takes a news reply: lines ending in a carriage return, each followed by two
  // separator bytes. Every line is followed by twelve spaces, the whole by "...     ".
  // At most 2,048 bytes, 40 lines and 1,023 characters per line are read. The width
  // estimate is the average character width times (reply length + 24).
  void TakeReply(std::span<const std::uint8_t> reply, int averageCharWidth);

  // The joined text of a reply, as TakeReply stores it.
  static QString JoinLines(std::span<const std::uint8_t> reply);
};
