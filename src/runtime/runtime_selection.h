// Choosing among the runtime libraries that one source of the runtime locator offers.
//
// Without version bounds (`minjre`, `maxjre` both empty) the first library offered is taken.
// With bounds, every library of the source is offered with its version (the runtime's
// release file, else the version its installation record names): one outside the bounds is
// skipped, and at the end of the source the highest version within the bounds is taken;
// when none fits, the first library without a readable version is taken, to be checked
// once the runtime has started. The skipped version closest to the bounds is kept for the
// message that tells the user why no runtime was taken: the lowest one above `maxjre`, else
// the highest one below `minjre`. Every offer is traced.
// Same on every platform.
#pragma once

#include "base/text.h"

class RuntimeSelection {
  public:
    RuntimeSelection(TextView minjre, TextView maxjre);

    bool boundsSet() const { return !minjre_.empty() || !maxjre_.empty(); }

    // Offers one library found by the current source; recordVersion is the version its
    // installation record names, or empty. True when the source need not offer more.
    bool offer(const TextString& library, TextView recordVersion);
    // Offers the system's default runtime, which is taken at once when its version is known
    // and within the bounds (a higher one elsewhere does not displace it). True when taken.
    [[nodiscard]] bool offerPreferred(const TextString& library);
    // Ends the current source: true with the taken library in chosen when it took one.
    [[nodiscard]] bool endSource(TextString& chosen);

    // The skipped version closest to the bounds, or empty when none was skipped.
    const TextString& closestSkippedVersion() const;

  private:
    TextString minjre_;
    TextString maxjre_;
    TextString fitting_;
    TextString fittingVersion_;
    TextString unversioned_;
    TextString closestBelow_;
    TextString closestAbove_;
    bool preferredTaken_ = false;
};
