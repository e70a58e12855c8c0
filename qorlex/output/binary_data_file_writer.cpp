#include "common/binary_data_file.h"
#include "common/bound_type.h"
#include "qorlex/output/project_files.h"

namespace {

// The entries of the hard or the weak rows, straight from the restriction list: the
// columns of consecutive restrictions of one kind lie end to end there and go out in one
// write, and so do their coefficients where each entry has its own.
class ListEntries final : public RowEntries {
  public:
    ListEntries(const RestrictionList& list, StoredAs kind) : list_(list), kind_(kind) {}

    void writeColumns(OutputFile& file) const override {
        forEachPiece([&](std::size_t first, std::size_t count) {
            file.writeInt32s(list_.columns(list_[first]).data(), count);
        });
    }
    void writeCoefficients(OutputFile& file) const override {
        const double* run = nullptr;  // coefficients that lie end to end, not yet written
        std::size_t count = 0;
        const auto writeRun = [&] {
            if (count > 0) file.writeFloat64s(run, count);
            count = 0;
        };
        for (const Restriction& r : list_) {
            if (storedAs(r.type, r.entryCount) != kind_) continue;
            const Coefficients coefficients = list_.coefficients(r);
            if (coefficients.shared()) {
                writeRun();
                file.writeRepeatedFloat64(r.coefficient, coefficients.size());
                continue;
            }
            if (count > 0 && run + count != coefficients.data()) writeRun();
            if (count == 0) run = coefficients.data();
            count += coefficients.size();
        }
        writeRun();
    }

  private:
    // Calls `write` with the first restriction of each run of consecutive restrictions of
    // the kind, and the number of entries of the run.
    template <class Write>
    void forEachPiece(Write write) const {
        std::size_t first = 0, count = 0;
        for (std::size_t i = 0; i < list_.size(); ++i) {
            const Restriction& r = list_[i];
            if (storedAs(r.type, r.entryCount) != kind_) {
                if (count > 0) write(first, count);
                count = 0;
                continue;
            }
            if (count == 0) first = i;
            count += static_cast<std::size_t>(r.entryCount);
        }
        if (count > 0) write(first, count);
    }

    const RestrictionList& list_;
    StoredAs kind_;
};

}  // namespace

ErrorCode writeBinaryDataFile(const std::string& path, const HardArrays& hard,
                              const WeakArrays& weak, const Table& table, int* systemError) {
    OutputFile file(path);
    const auto failed = [&] {
        if (systemError != nullptr) *systemError = file.error();
        return CANNOT_OPEN_FOR_WRITING;
    };
    if (!file.open()) return failed();
    const ListEntries hardEntries(table.restrictions(), StoredAs::HARD_ROW);
    const ListEntries weakEntries(table.restrictions(), StoredAs::WEAK_ROW);
    writeBaseRecord(file, table.baseArrays());
    writeHardRecord(file, hard, &hardEntries);
    writeWeakRecord(file, weak, &weakEntries);
    return file.commit() ? OK : failed();
}
