// Foundation's value objects: strings, numbers, data, dates, arrays, dictionaries.
// They are runtime objects so they travel through messages as on the device.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/Messaging.h"
#include "runtime/NSObject.h"
#include "runtime/ObjectState.h"

using rt::BOOL;
using rt::id;
using rt::NO;
using rt::SEL;
using rt::YES;

class NSString : public rt::Object {
public:
    explicit NSString(std::string s = {}) : utf8(std::move(s)) {}
    std::string utf8;
};

class NSMutableString final : public NSString {
public:
    using NSString::NSString;
    id copyObject() override;
};

class NSNumber final : public rt::Object {
public:
    using Value = std::variant<bool, std::int64_t, double>;
    explicit NSNumber(Value v = std::int64_t{0}) : value(v) {}
    Value value;
};

class NSData final : public rt::Object {
public:
    explicit NSData(std::vector<std::uint8_t> b = {}) : bytes(std::move(b)) {}
    std::vector<std::uint8_t> bytes;
};

// Seconds since 1970-01-01 UTC.
class NSDate final : public rt::Object {
public:
    explicit NSDate(double t = 0) : timeIntervalSince1970(t) {}
    double timeIntervalSince1970;
};

namespace ns {
// %@ of an object; a string answers itself.
inline constinit const rt::Msg<id()> description{"description"};
// +[NSDate date]: the clock's "now".
inline constinit const rt::ClassMsg<id()> date{"NSDate", "date"};
inline constinit const rt::Msg<double()> timeIntervalSince1970{"timeIntervalSince1970"};
}  // namespace ns

class NSArray : public rt::Object {
public:
    explicit NSArray(std::vector<id> items = {}) : items(std::move(items)) {}
    std::vector<id> items;
};

class NSMutableArray final : public NSArray {
public:
    using NSArray::NSArray;
    id copyObject() override;
};

// String keys in insertion order; a key set again keeps its place.
class NSDictionary : public rt::Object {
public:
    std::vector<std::pair<std::string, id>> entries;
    id objectForKey(std::string_view key) const;
    void setObject(const id& value, const std::string& key);  // nothing removes the key
    void removeObject(std::string_view key);
};

class NSMutableDictionary final : public NSDictionary {
public:
    id copyObject() override;
};

// ---- making and reading values ------------------------------------------------

id NSStr(std::string_view s);       // an NSString
id NSMutableStr(std::string_view s);
id NSNum(bool b);
id NSNum(int i);
id NSNum(std::int64_t i);
id NSNum(double d);
id NSDictionaryNew(bool mutableDictionary = true);
id NSArrayNew(std::vector<id> items = {});  // an immutable NSArray
id NSDateNew(double seconds);

// The text of a string object; empty for nothing or any other object.
std::string str(const id& object);
bool isString(const id& object);
bool isNumber(const id& object);
bool isDictionary(const id& object);
bool isEqualToString(const id& object, std::string_view text);  // NO for nothing

// [NSString stringWithFormat:] for %@-free formats, C locale for numbers.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));
// %@ of an object: its description, "(null)" for nothing.
std::string describe(const id& object);

// Registers the Foundation classes with the runtime (done at library load).
void registerFoundationClasses();
