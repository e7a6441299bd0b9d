// Reference-counted arrays.
//
// A SharedArray and its copies share one count object; the last one to go
// hands the array to the deleter the count object was made with. Counts are
// plain integers: a SharedArray and its copies belong to one thread.
#pragma once

#include <utility>

#include "AEMemory.h"

namespace AEUtil {

class SharedCountBase {
public:
    SharedCountBase() = default;
    SharedCountBase(const SharedCountBase &) = delete;
    SharedCountBase &operator=(const SharedCountBase &) = delete;
    virtual ~SharedCountBase() = default;

    // Releases the owned array, then deletes this count object.
    virtual void dispose() = 0;

    void addRef() { ++count_; }
    void release()
    {
        if (--count_ == 0) dispose();
    }
    A_long count() const { return count_; }

private:
    A_long count_ = 1;
};

template <class T, class D>
class SharedCountImpl_PD : public SharedCountBase {
public:
    SharedCountImpl_PD(T *pointer, D deleter) : pointer_(pointer), deleter_(std::move(deleter)) {}

    void dispose() override
    {
        if (pointer_ != nullptr) deleter_(pointer_);
        delete this;
    }

private:
    T *pointer_;
    D deleter_;
};

template <class T>
struct array_deleter {
    void operator()(T *pointer) const { delete[] pointer; }
};

template <class T>
class array_deleterAE {
public:
    explicit array_deleterAE(const SPBasicSuite *basic) : basic_(basic) {}
    void operator()(T *pointer) const { AEMemory::free(pointer, basic_); }

private:
    const SPBasicSuite *basic_;
};

template <class T>
class SharedArray {
public:
    SharedArray() : count_(new SharedCountImpl_PD<T, array_deleter<T>>(nullptr, array_deleter<T>())) {}

    // Takes ownership of pointer; if the count object cannot be made, the
    // array is released at once and the failure propagates.
    template <class D>
    SharedArray(T *pointer, A_long size, D deleter) : data_(pointer), size_(size)
    {
        try {
            count_ = new SharedCountImpl_PD<T, D>(pointer, deleter);
        } catch (...) {
            if (pointer != nullptr) deleter(pointer);
            throw;
        }
    }

    // size elements in host memory, freed through AEMemory.
    static SharedArray allocateAE(const SPBasicSuite *basic, A_long size)
    {
        T *pointer = static_cast<T *>(AEMemory::alloc(static_cast<size_t>(size) * sizeof(T), basic));
        return SharedArray(pointer, size, array_deleterAE<T>(basic));
    }

    SharedArray(const SharedArray &other) : data_(other.data_), count_(other.count_), size_(other.size_)
    {
        count_->addRef();
    }
    SharedArray &operator=(const SharedArray &other)
    {
        other.count_->addRef();
        count_->release();
        data_ = other.data_;
        count_ = other.count_;
        size_ = other.size_;
        return *this;
    }
    ~SharedArray() { count_->release(); }

    T *get() const { return data_; }
    A_long size() const { return size_; }
    A_long useCount() const { return count_->count(); }

private:
    T *data_ = nullptr;
    SharedCountBase *count_ = nullptr;
    A_long size_ = 0;
};

}  // namespace AEUtil
