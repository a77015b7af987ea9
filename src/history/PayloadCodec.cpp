#include "history/PayloadCodec.h"

#include <zstd.h>

namespace quillbox {

namespace {

// What copied texts are made of: the common words of English, web addresses,
// markup and style, code, and the commonest words and phrases of prose. The compressor finds a
// match in it as in text it has already seen; nearer the end is cheaper to refer to, so the most
// common pieces come last. Never change it (see the header).
constexpr char dictionary[] =
    "about above across act action actually add added address age ago agree air all allow allowed "
    "almost alone along already also although always am among amount and animal another answer "
    "any anyone anything appear apply approach area argue arm around arrive art article as ask "
    "asked at attack attention available away baby back bad bag ball bank bar base be beat "
    "beautiful became because become bed been before began begin behind being believe believed "
    "below best better between beyond big bill bit black blood blue board body book born both box "
    "boy break bring brought brother build building built business but buy by call called came "
    "camera campaign can cancer candidate capital car card care career carry case catch cause "
    "cell center central century certain certainly chair challenge chance change changed "
    "character charge check child children choice choose church citizen city civil claim class "
    "clear clearly close coach cold collection college color come comes commercial common "
    "community company compare computer concern condition conference consider consumer contain "
    "continue control cost could country couple course court cover create crime cultural culture "
    "cup current customer cut dark data daughter day dead deal deadline death debate decade "
    "decide decided decision deep defense degree describe design despite detail determine develop "
    "development did die died difference different difficult dinner direction director discover "
    "discuss discussion disease do doctor does dog door down draft draw dream drive drop drug "
    "during each early east easy eat economic economy edge education effect effort eight either "
    "election else employee end energy enjoy enough enter entire environment especially establish "
    "even evening event ever every everybody everyone everything evidence exactly example "
    "executive exist expect experience expert explain eye face fact factor fail fall family far "
    "fast father fear federal feel feeling felt few field fight figure fill film final finally "
    "financial find fine finger finish fire firm first fish five floor fly focus follow followed "
    "food foot for force foreign forget form former forward found four free friend from front "
    "full fund future game garden gas general generation get girl give given gave glass go goal "
    "going gone good got government great green ground group grow grew growth guess gun guy hair "
    "half hand hang happen happened happy hard has have having he head health hear heard heart "
    "heat heavy held help helped her here herself high him himself his history hit hold home hope "
    "hospital hot hotel hour house how however huge human hundred husband idea identify if image "
    "imagine impact important improve in include included including increase indeed indicate "
    "individual industry information inside instead institution interest interesting "
    "international interview into investment involve issue it item its itself job join just keep "
    "kept key kid kill kind kitchen knew know knowledge land language large last late later laugh "
    "law lawyer lay lead leader learn learned least leave led left leg legal less let letter "
    "level lie life light like likely line list listen little live local long look looked lose "
    "loss lost lot love low machine made magazine main maintain major majority make man manage "
    "management manager many market marriage material matter may maybe me mean meant measure "
    "media medical meet meeting member memory mention message met method middle might military "
    "million mind minute miss mission model modern moment money month more morning most mother "
    "mouth move movement movie much music must my myself name nation national natural nature near "
    "nearly necessary need network never new news newspaper next nice night no none nor north not "
    "note nothing notice now number occur of off offer offered office officer official often oh "
    "oil ok old on once one only onto open operation opportunity option or order organization "
    "other others our out outside over own owner page pain painting paper parent part participant "
    "particular particularly partner party pass past patient pattern pay peace people per perform "
    "performance perhaps period person personal phone physical pick picture piece place plan "
    "plant play player point police policy political politics poor popular population position "
    "positive possible power practice prepare present president pressure pretty prevent price "
    "private probably problem process produce product production professional professor program "
    "project property protect prove provide public pull purpose push put quality question quickly "
    "quite race radio raise range rate rather reach read ready real reality realize really reason "
    "receive recent recently recognize record red reduce reflect region relate relationship "
    "release religious remain remember remembered remove report reported represent require "
    "required research resource respond response responsibility rest result return reveal rich "
    "right rise risk road rock role room rule run ran safe said same save saw say scene schedule "
    "school science scientist score sea season seat second section security see seek seem sell "
    "send senior sense series serious serve served service set seven several shake share she "
    "shoot short shot should shoulder show side sign significant similar simple simply since sing "
    "single sister sit site situation six size skill skin small smile so social society soldier "
    "some somebody someone something sometimes son song soon sort sound source south southern "
    "space speak special specific speech spend spent sport spring staff stage stand standard star "
    "start state statement station stay stayed step still stock stop stopped store story strategy "
    "street strong structure student study stuff style subject success successful such suddenly "
    "suffer suggest suggested summer support sure surface system table take talk task tax teach "
    "teacher team technology television tell ten tend term test than thank that the their them "
    "themselves then theory there these they thing think third this those though thought thousand "
    "threat three through throughout throw thus time to today together tonight too took top total "
    "tough toward town trade traditional training travel treat treatment tree trial trip trouble "
    "true truth try turn two type under understand understood unit until up upon us use used "
    "usually value various very victim view violence visit voice vote wait walk wall want war "
    "watch watched water way we weapon wear week weight well went were west western what whatever "
    "when where whether which while white who whole whom whose why wide wife will win wind window "
    "wish with within without woman won wonder word work worker world worry would write writer "
    "wrong yard yeah year yes yet you young your yourself "
    "https://www.github.com/ https://docs. .html .php?id= .pdf .png .jpg "
    "?utm_source=&utm_medium=&ref= index.html /api/v1/ /wiki/ youtube.com/watch?v= "
    "<div class=\"\"></div> <span></span> <a href=\"\"></a> <p></p> <br> <li></li> "
    "font-size: 14px; margin: 0 auto; padding: 0; display: flex; border-radius: 4px; "
    "background-color: #ffffff; color: #000000; rgba(0, 0, 0, 0.5) "
    "#include <string> std::vector<int> nullptr const auto& "
    "import React from 'react'; export default function () { console.log(); "
    "def __init__(self): self. print(f\"\") elif None True False "
    "public static void main(String[] args) { private final String "
    "if (err != nil) { return nil, err } func "
    "SELECT * FROM WHERE id = ORDER BY LIMIT INSERT INTO VALUES "
    "git commit -m \"\" git checkout -b sudo apt install npm run "
    "for (let i = 0; i < length; i++) { } else { return null; } "
    "const = () => { await async try { } catch (error) { throw new Error(\"\"); "
    "Please let me know if you have any questions. Thank you for your help. "
    "Best regards, Kind regards, Thanks, Dear Hi all, Hello, I hope this finds you well. "
    "Monday Tuesday Wednesday Thursday Friday Saturday Sunday "
    "January February March April May June July August September October November December "
    "meeting tomorrow morning afternoon evening today yesterday next week last month year "
    "information important government company system program problem question "
    "however therefore although because between through during without within "
    "another against something nothing everything different following possible "
    "number people should would could which their there these those where while "
    "about after again being below before under until above other over only very "
    "into more most some such than then them they this that what when with will "
    "from have been were your just like also make know time first well even back "
    "because of the in the on the to the for the and the at the by the with the "
    "it is it was there is that the one of as well as in order to "
    "The This That There They We It In If As A An I You He She "
    ", and . The . It . This . In , but , which , the , a . ";

// A payload this much smaller compressed is not worth the decompressing.
constexpr qsizetype minimumSavingDivisor = 8;
constexpr int headerSize = 4;
// The fastest level: higher ones gain a few percent on short texts for twice
// the time, which an import of many thousands of items would feel.
constexpr int compressionLevel = 1;

void putSize(char* out, quint32 size) {
    out[0] = char(size >> 24);
    out[1] = char(size >> 16);
    out[2] = char(size >> 8);
    out[3] = char(size);
}

// Digested once per process and shared: both are read-only once made.
const ZSTD_CDict* compressionDictionary() {
    static const std::unique_ptr<ZSTD_CDict, size_t (*)(ZSTD_CDict*)> digested(
        ZSTD_createCDict(dictionary, sizeof(dictionary) - 1, compressionLevel), ZSTD_freeCDict);
    return digested.get();
}
const ZSTD_DDict* decompressionDictionary() {
    static const std::unique_ptr<ZSTD_DDict, size_t (*)(ZSTD_DDict*)> digested(
        ZSTD_createDDict(dictionary, sizeof(dictionary) - 1), ZSTD_freeDDict);
    return digested.get();
}

} // namespace

// Frames without the content size or a dictionary id (the size is in the
// header, and there is one dictionary), with a checksum: damage that still
// decodes is caught at the end of the frame rather than read as the text.
struct PayloadCodec::Streams {
    std::unique_ptr<ZSTD_CCtx, size_t (*)(ZSTD_CCtx*)> compressor{nullptr, ZSTD_freeCCtx};
    std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx*)> decompressor{nullptr, ZSTD_freeDCtx};

    ZSTD_CCtx* compression() {
        if (!compressor) {
            compressor.reset(ZSTD_createCCtx());
            if (!compressor ||
                ZSTD_isError(ZSTD_CCtx_refCDict(compressor.get(), compressionDictionary())) ||
                ZSTD_isError(ZSTD_CCtx_setParameter(compressor.get(), ZSTD_c_contentSizeFlag, 0)) ||
                ZSTD_isError(ZSTD_CCtx_setParameter(compressor.get(), ZSTD_c_dictIDFlag, 0)) ||
                ZSTD_isError(ZSTD_CCtx_setParameter(compressor.get(), ZSTD_c_checksumFlag, 1)))
                compressor.reset();
        }
        return compressor.get();
    }
    ZSTD_DCtx* decompression() {
        if (!decompressor) {
            decompressor.reset(ZSTD_createDCtx());
            if (!decompressor ||
                ZSTD_isError(ZSTD_DCtx_refDDict(decompressor.get(), decompressionDictionary())))
                decompressor.reset();
        }
        return decompressor.get();
    }
};

PayloadCodec::PayloadCodec()
    : m_streams(std::make_unique<Streams>()) {
}

PayloadCodec::~PayloadCodec() = default;

qint64 PayloadCodec::originalSize(QByteArrayView stored) {
    if (stored.size() < headerSize)
        return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(stored.data());
    return (qint64(bytes[0]) << 24) | (qint64(bytes[1]) << 16) | (qint64(bytes[2]) << 8) |
           qint64(bytes[3]);
}

std::optional<QByteArray> PayloadCodec::compress(QByteArrayView bytes) {
    if (bytes.size() < minimumSize || bytes.size() > maximumSize)
        return std::nullopt;
    ZSTD_CCtx* compressor = m_streams->compression();
    if (!compressor)
        return std::nullopt;
    // Worth keeping only if it fits here.
    const qsizetype limit = bytes.size() - bytes.size() / minimumSavingDivisor;
    QByteArray out(limit, Qt::Uninitialized);
    putSize(out.data(), quint32(bytes.size()));
    ZSTD_CCtx_reset(compressor, ZSTD_reset_session_only);
    const size_t written =
        ZSTD_compress2(compressor, out.data() + headerSize, size_t(limit - headerSize),
                       bytes.data(), size_t(bytes.size()));
    if (ZSTD_isError(written))
        return std::nullopt; // mostly: it did not fit, no saving worth having
    out.truncate(headerSize + qsizetype(written));
    return out;
}

std::optional<QByteArray> PayloadCodec::decompress(QByteArrayView stored, qsizetype maxBytes) {
    const qint64 size = originalSize(stored);
    if (size < 0 || size > maximumSize)
        return std::nullopt;
    ZSTD_DCtx* decompressor = m_streams->decompression();
    if (!decompressor)
        return std::nullopt;
    ZSTD_DCtx_reset(decompressor, ZSTD_reset_session_only);
    const bool isWhole = maxBytes < 0 || maxBytes >= size;
    const qsizetype wanted = isWhole ? size : maxBytes;
    // A byte of room beyond the whole catches a payload longer than its size.
    QByteArray out(wanted + (isWhole ? 1 : 0), Qt::Uninitialized);
    ZSTD_inBuffer input{stored.data() + headerSize, size_t(stored.size() - headerSize), 0};
    ZSTD_outBuffer output{out.data(), size_t(out.size()), 0};
    size_t result = 0;
    // Only as much is decompressed as is asked for.
    while (true) {
        const size_t before = input.pos + output.pos;
        result = ZSTD_decompressStream(decompressor, &output, &input);
        if (ZSTD_isError(result) || result == 0 || output.pos == output.size ||
            input.pos + output.pos == before)
            break;
    }
    if (ZSTD_isError(result) || qsizetype(output.pos) != wanted || (isWhole && result != 0))
        return std::nullopt;
    out.truncate(wanted);
    return out;
}

} // namespace quillbox
