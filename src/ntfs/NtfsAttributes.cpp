// Bounded walks over a record's attributes and the values read from them. Every field is read
// only after the walk has checked that it lies inside the attribute and the attribute inside the
// record's bytes in use.
#include "ntfs/NtfsLayout.h"
#include "platform/ByteOrder.h"
#include "platform/Text.h"

namespace keldrin::ntfs {

AttributeWalker::AttributeWalker(const uint8_t* record, uint32_t bound)
    : record_(record), bound_(bound), position_(Le16(record + kRecordFirstAttribute)) {}

bool AttributeWalker::Next(AttributeView* out) {
    if (done_) return false;
    done_ = true;
    if (uint64_t(position_) + 8 > bound_) return false;
    const uint8_t* a = record_ + position_;
    const uint32_t type = Le32(a + kAttrType);
    if (type == kTypeEnd || type == 0 || type >= kTypeFillPattern) return false;
    const uint32_t length = Le32(a + kAttrLength);
    if (length < kAttrResidentHeader || uint64_t(position_) + length > bound_) return false;
    out->data = a;
    out->offset = position_;
    out->type = type;
    out->length = length;
    out->nonResident = a[kAttrNonResident] != 0;
    out->nameLength = a[kAttrNameLength];
    if (out->nonResident && length < kAttrRealSize + 8) return false;
    position_ += length;
    done_ = false;
    return true;
}

bool ResidentValue(const AttributeView& attribute, const uint8_t** value, uint32_t* length) {
    if (attribute.nonResident) return false;
    const uint32_t valueLength = Le32(attribute.data + kAttrValueLength);
    const uint32_t valueOffset = Le16(attribute.data + kAttrValueOffset);
    if (valueOffset < kAttrResidentHeader || valueOffset > attribute.length ||
        valueLength > attribute.length - valueOffset) {
        return false;
    }
    *value = attribute.data + valueOffset;
    *length = valueLength;
    return true;
}

bool NonResidentRealSize(const AttributeView& attribute, uint64_t* size) {
    if (!attribute.nonResident || attribute.length < kAttrRealSize + 8) return false;
    *size = Le64(attribute.data + kAttrRealSize);
    return true;
}

uint64_t NonResidentStartVcn(const AttributeView& attribute) {
    return attribute.nonResident ? Le64(attribute.data + kAttrStartVcn) : 0;
}

bool ParseFileName(const AttributeView& attribute, FileNameValue* out) {
    const uint8_t* v;
    uint32_t length;
    if (attribute.type != kTypeFileName || !ResidentValue(attribute, &v, &length)) return false;
    if (length < kNameText) return false;
    const uint32_t units = v[kNameLength];
    if (kNameText + 2 * units > length) return false;
    out->parent = Le32(v + kNameParent);
    out->created = Le64(v + kNameCreated);
    out->modified = Le64(v + kNameModified);
    out->accessed = Le64(v + kNameAccessed);
    out->realSize = Le64(v + kNameRealSize);
    out->nameSpace = v[kNameSpace];
    out->name = Utf16LeToUtf8(v + kNameText, units);
    return true;
}

}  // namespace keldrin::ntfs
