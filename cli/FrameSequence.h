// Numbered image sequences: file names with a frame-number field, the frame
// lists of --frames, and the frames a folder holds.
#pragma once

#include <optional>
#include <string>
#include <vector>

// A file name with one frame-number field: printf's "%d" or "%04d", or the
// oiiotool forms, where each "#" stands for four digits and each "@" for
// one ("shot.#.png" is "shot.%04d.png", "shot.@@@.png" is "shot.%03d.png").
// "%%" is a literal "%". Frame numbers are whole numbers from 0.
class FramePattern {
public:
    // The pattern in `text`, or none when it has no frame-number field.
    // Throws UsageError for a name with more than one field.
    static std::optional<FramePattern> Parse(const std::string &text);

    const std::string &text() const { return text_; }
    // The file name of one frame: the number padded with zeros to the
    // field's width.
    std::string name(long frame) const;
    // The frames whose files exist, in increasing order.
    std::vector<long> framesOnDisk() const;

private:
    std::string text_;
    std::string before_, after_;  // around the field, "%%" already made "%"
    int width_ = 0;               // 0: no padding
};

// The frames of --frames: single numbers ("7"), ranges ("1-240", also
// descending, "240-1") with an optional step ("1-240x2"), and lists of them
// separated by commas ("1,5,10-20"). A frame named twice renders once, where
// it is named first. Throws UsageError naming what it cannot read.
std::vector<long> ParseFrameList(const std::string &text);

// The frames as a short list of ranges, "1-4,7,9-12", for messages.
std::string DescribeFrames(std::vector<long> frames);
