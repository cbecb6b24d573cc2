#include "exchange/xml/satellites_xml_reader.h"

#include <limits>

#include <QXmlStreamReader>

#include "text/quoted_text.h"

namespace torvane {

namespace {

// A satellite's frequency lies between 1 and 100 GHz, so a value written in Hz is at least this
// and one written in kHz never is (an implausible one is taken for the import to skip, up to what
// tells the units apart: below 1000 GHz in Hz).
constexpr qint64 kLowestHertzValue = 1'000'000'000;
constexpr qint64 kLargestFrequency = kLowestHertzValue * 1000 - 1;
constexpr qint64 kLargestSymbolRate = std::numeric_limits<qint64>::max();
constexpr int kHalfCircle = 1800;

class XmlTableReader final {
public:
    explicit XmlTableReader(std::string_view text)
        : m_xml(QByteArray(text.data(), static_cast<qsizetype>(text.size())))
    {
    }

    TableReadResult Read()
    {
        if (!m_xml.readNextStartElement())
            return XmlFailure("no <satellites> element");
        if (m_xml.name() != QLatin1String("satellites"))
            return Failure("the root element must be <satellites>, not <" + m_xml.name().toString().toStdString()
                           + ">");
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != QLatin1String("sat")) {
                m_xml.skipCurrentElement();
                continue;
            }
            if (!ReadSatellite())
                return Failure(m_error);
        }
        if (m_xml.hasError())
            return XmlFailure("");
        // Whatever follows the root must still be well-formed.
        while (!m_xml.atEnd())
            m_xml.readNext();
        if (m_xml.hasError())
            return XmlFailure("");
        if (m_satellites.empty())
            return TableReadResult::Failure("the table holds no satellite");
        return {std::move(m_satellites), {}};
    }

private:
    int Line() const { return static_cast<int>(m_xml.lineNumber()); }

    TableReadResult Failure(const std::string& text) const { return TableReadResult::LineFailure(Line(), text); }

    TableReadResult XmlFailure(const std::string& fallback) const
    {
        return Failure(m_xml.hasError() ? m_xml.errorString().toStdString() : fallback);
    }

    bool Refuse(const std::string& text)
    {
        m_error = text;
        return false;
    }

    std::optional<qint64> Number(const char* attribute, qint64 lowest, qint64 highest) const
    {
        bool ok = false;
        const qint64 value = m_xml.attributes().value(QLatin1String(attribute)).toLongLong(&ok);
        if (!ok || value < lowest || value > highest)
            return std::nullopt;
        return value;
    }

    std::string AttributeText(const char* attribute) const
    {
        return QuotedText(m_xml.attributes().value(QLatin1String(attribute)).toString().toStdString());
    }

    bool ReadSatellite()
    {
        TableSatellite satellite;
        satellite.name = m_xml.attributes().value(QLatin1String("name")).toString().simplified().toStdString();
        if (!m_xml.attributes().hasAttribute(QLatin1String("position")))
            return Refuse("<sat> without a position");
        const std::optional<qint64> position = Number("position", -kHalfCircle, kHalfCircle);
        if (!position)
            return Refuse("position must be tenths of a degree from -1800 to 1800, not " + AttributeText("position"));
        satellite.position = static_cast<int>(*position);
        while (m_xml.readNextStartElement()) {
            // A misspelt <transponder> would lose a TP without a word.
            if (m_xml.name() != QLatin1String("transponder"))
                return Refuse("<" + m_xml.name().toString().toStdString() + "> is no element of <sat>");
            TableTp tp;
            if (!ReadTransponder(tp))
                return false;
            satellite.tps.push_back(tp);
            m_xml.skipCurrentElement();
        }
        if (m_xml.hasError())
            return Refuse(m_xml.errorString().toStdString());
        m_satellites.push_back(std::move(satellite));
        return true;
    }

    bool ReadTransponder(TableTp& tp)
    {
        tp.line = Line();
        for (const char* required : {"frequency", "symbol_rate", "polarization"}) {
            if (!m_xml.attributes().hasAttribute(QLatin1String(required)))
                return Refuse("<transponder> without " + std::string(required));
        }
        std::optional<qint64> frequency = Number("frequency", 1, kLargestFrequency);
        if (!frequency)
            return Refuse("frequency must be Hz or kHz, not " + AttributeText("frequency"));
        if (*frequency >= kLowestHertzValue)
            *frequency /= 1000;
        const std::optional<qint64> symbolRate = Number("symbol_rate", 1, kLargestSymbolRate);
        if (!symbolRate)
            return Refuse("symbol_rate must be symbols/s, not " + AttributeText("symbol_rate"));
        const std::optional<qint64> polarization = Number("polarization", 0, 3);
        if (!polarization)
            return Refuse("polarization must be 0, 1, 2 or 3, not " + AttributeText("polarization"));
        std::optional<qint64> system = qint64{0};
        if (m_xml.attributes().hasAttribute(QLatin1String("system")))
            system = Number("system", 0, 1);
        if (!system)
            return Refuse("system must be 0 or 1, not " + AttributeText("system"));
        tp.frequencyKhz = *frequency;
        tp.symbolRate = *symbolRate;
        tp.polarization = static_cast<TablePolarization>(*polarization);
        tp.system = *system == 0 ? TableSystem::DvbS : TableSystem::DvbS2;
        return true;
    }

    QXmlStreamReader m_xml;
    std::vector<TableSatellite> m_satellites;
    std::string m_error;
};

} // namespace

TableReadResult ReadSatellitesXml(std::string_view text)
{
    return XmlTableReader(text).Read();
}

} // namespace torvane
