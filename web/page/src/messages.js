// The engine names a character it cannot show by its code (“U+200B” or “<U+200B>”); a clerk is
// told what it is.
const invisible = {
  '0009': '制表符',
  '0020': '空格',
  3000: '全角空格',
  '000A': '换行',
  '000D': '回车',
  '00A0': '不换行空格',
  '00AD': '软连字符',
  '180E': '蒙古文元音分隔符',
  2000: '空格',
  2001: '空格',
  2002: '空格',
  2003: '空格',
  2004: '空格',
  2005: '空格',
  2006: '空格',
  2007: '数字空格',
  2008: '标点空格',
  2009: '窄空格',
  '200A': '细空格',
  '200B': '零宽空格',
  '200C': '零宽不连字',
  '200D': '零宽连字',
  '200E': '从左到右标记',
  '200F': '从右到左标记',
  2028: '行分隔符',
  2029: '段分隔符',
  '202F': '窄不换行空格',
  '205F': '数学空格',
  2060: '零宽不换行',
  FEFF: '零宽不换行空格',
};

export const nameOf = (code) => invisible[code.toUpperCase()];

export function plainMessage(message) {
  return message.replace(/“<?U\+([0-9A-Fa-f]{4,6})>?”/g, (all, code) => (nameOf(code) ? `“${nameOf(code)} U+${code.toUpperCase()}”` : all));
}

// A character the box shows as nothing, or as a blank like any other.
export function isInvisible(c) {
  const code = c.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
  return nameOf(code) !== undefined || /\p{Cf}|\p{Zs}/u.test(c);
}
