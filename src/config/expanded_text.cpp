// An expanded value with the places of its inserted values.
#include "config/expanded_text.h"

TextView ExpandedText::segment(int32_t i) const {
    int32_t start = i == 0 ? 0 : ends_[i - 1];
    return TextView(text_.data() + start, ends_[i] - start);
}

void ExpandedText::appendLiteral(TextView literal) {
    if (literal.length > 0) {
        append(literal, false);
    }
}

void ExpandedText::appendInserted(TextView value) {
    append(value, true);
}

void ExpandedText::append(TextView bytes, bool inserted) {
    text_.append(bytes);
    int32_t n = ends_.length();
    if (n > 0 && (inserted_[n - 1] != 0) == inserted) {
        ends_[n - 1] = text_.length();
        return;
    }
    ends_.append(text_.length());
    inserted_.append(inserted ? 1 : 0);
}

ExpandedText ExpandedText::tail(int32_t start) const {
    ExpandedText rest;
    int32_t segmentStart = 0;
    for (int32_t i = 0; i < segmentCount(); ++i) {
        int32_t from = segmentStart > start ? segmentStart : start;
        if (from < ends_[i] || (from == ends_[i] && segmentStart >= start)) {
            rest.append(TextView(text_.data() + from, ends_[i] - from), isInserted(i));
        }
        segmentStart = ends_[i];
    }
    return rest;
}

bool ExpandedText::sameAs(const ExpandedText& other) const {
    if (text_.compare(other.text_) != 0 || segmentCount() != other.segmentCount()) {
        return false;
    }
    for (int32_t i = 0; i < segmentCount(); ++i) {
        if (ends_[i] != other.ends_[i] || isInserted(i) != other.isInserted(i)) {
            return false;
        }
    }
    return true;
}
