-- VEX480 PRG rule script
--
-- The rules of the VEX480 model template. DataProfile.xsd names the functions below in its
-- cprg:SchemaExtension annotations; the data item layer calls them as
--
--   SetVal_X(element, attribute, value, answer)  -> result, msgId, msgStyle
--   OnDelete_X(child, confirmed)                 -> result, msgId, msgStyle
--   CanAddChild_X(list)                          -> boolean
--   OnAddNew_X(list)                             -> the new child, already in the tree, or nil
--   IsEnabled_X(list)                            -> boolean
--
-- Results: 0 taken (the function changed the document itself; a message id with it is a notice),
-- 1 refused (the message id says why), 2 a question (the message id, shown with the style). A
-- question is put again with answer IDOK or IDYES (SetVal) or confirmed 1 (OnDelete) once the
-- user agreed. A refused value, or a question not yet answered, leaves the document as it was.
--
-- Values are written in the document's text form: flags "1" or "0", numbers and PIDs in decimal.
-- PIDs are decimal texts of at most 34 bits and are compared as numbers; contacts refer to groups
-- (ParentPrivateGroup pid, home_grp) by the group's PID text.
--
-- No string pattern here ever runs over text of unbounded length: texts are measured first and
-- then walked byte by byte.

-- Message box styles and answers ----------------------------------------------------------------

local MB_OK = 0
local MB_OKCANCEL = 1
local MB_ICONQUESTION = 0x20
local MB_ICONWARNING = 0x30
local MB_ICONINFORMATION = 0x40
local IDOK = 1
local IDYES = 6

local QUESTION = MB_OKCANCEL | MB_ICONQUESTION
local WARNING = MB_OK | MB_ICONWARNING
local NOTICE = MB_OK | MB_ICONINFORMATION

local TAKEN, REFUSED, ASKED = 0, 1, 2

-- String table ids of the rule messages.
local MSG_INVALID = 126
local MSG_NAME_EXISTS = 127
local MSG_PID_EXISTS = 132
local MSG_SCAN_MOVE = 133
local MSG_SCAN_FULL = 134
local MSG_NO_PRIVATE_ON_CHANNEL = 135
local MSG_GROUP_CHANNEL = 136
local MSG_PRIVATE_CHANNEL = 137
local MSG_NO_TARGET = 138
local MSG_OTHER_CHANNEL = 139
local MSG_GROUPS_FULL = 140
local MSG_DELETE_GROUP = 141
local MSG_DELETE_PRIVATE = 142
local MSG_NAME_LENGTH = 165

-- Fixed bounds of the radio.
local MAX_NAME_LENGTH = 20
local MAX_TEXT_LENGTH = 80
local MAX_GROUPS_OF_PRIVATE = 5
local MAX_SCAN_LIST = 10 -- public groups in one channel's scan list
local CONTACT_SLOTS = 150
local TEXT_SLOTS = 25
local ALERT_TONES = 12
local MAX_PID = 17179869183 -- 2^34 - 1
local MAX_WORD = 4294967295
local MAX_DIGITS = 15 -- longer digit strings are refused before any conversion

-- Backlight times the settings page offers, in milliseconds.
local BACKLIGHT_TIMES = { [0] = true, [5000] = true, [10000] = true, [20000] = true,
                          [30000] = true, [90000] = true }

-- Results --------------------------------------------------------------------------------------

local function taken(msgId, style)
  return TAKEN, msgId or 0, style or 0
end

local function refused(msgId)
  return REFUSED, msgId, WARNING
end

local function asked(msgId)
  return ASKED, msgId, QUESTION
end

local function agreed(answer)
  return answer == IDOK or answer == IDYES
end

local function confirmed_flag(confirmed)
  return confirmed ~= nil and confirmed ~= 0 and confirmed ~= false
end

-- A question: asked on a first try, taken as agreed after OK or Yes, refused without a message
-- after any other answer.
local function question(answer, msgId)
  if answer == 0 or answer == nil then return asked(msgId) end
  return REFUSED, 0, 0
end

-- Values ---------------------------------------------------------------------------------------

-- A text of 1 to MAX_DIGITS decimal digits as an integer; nil for anything else.
local function digits(text)
  if type(text) ~= "string" or #text == 0 or #text > MAX_DIGITS then return nil end
  if text:find("^%d+$") == nil then return nil end
  return math.tointeger(tonumber(text))
end

-- A value as the caller gave it (integer, whole float, digits, boolean) as an integer, or nil.
local function integer_value(value)
  local kind = type(value)
  if kind == "boolean" then return value and 1 or 0 end
  if kind == "number" then return math.tointeger(value) end
  if kind == "string" then return digits(value) end
  return nil
end

local function in_range(number, low, high)
  return number ~= nil and low ~= nil and high ~= nil and number >= low and number <= high
end

local function flag_value(value)
  local number = integer_value(value)
  if number == 0 or number == 1 then return number end
  return nil
end

-- A PID given as text or number, as an integer of at most 34 bits; nil otherwise.
local function pid_value(value)
  local number
  if type(value) == "number" then number = math.tointeger(value) else number = digits(value) end
  if in_range(number, 0, MAX_PID) then return number end
  return nil
end

-- The UTF-8 form of a code point below U+10000 (the utf8 library is not available).
local function utf8_char(c)
  if c < 0x80 then return string.char(c) end
  if c < 0x800 then return string.char(0xC0 | (c >> 6), 0x80 | (c & 0x3F)) end
  return string.char(0xE0 | (c >> 12), 0x80 | ((c >> 6) & 0x3F), 0x80 | (c & 0x3F))
end

-- The characters a radio holds: its single bytes are Windows-1252. Printable ASCII is checked
-- by value; every other character it holds is listed here by its UTF-8 form: the printable
-- characters of ISO 8859-1 (U+00A0-U+00FF), the 27 that Windows-1252 puts at 0x80-0x9F (euro sign,
-- typographic quotes, dashes, ...) and the C1 controls that stand for its five undefined bytes
-- (0x81, 0x8D, 0x8F, 0x90, 0x9D), so that any name or text read from a radio can be kept.
local RADIO_CHARACTERS = {}
for c = 0xA0, 0xFF do RADIO_CHARACTERS[utf8_char(c)] = true end
for _, c in ipairs({ 0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
                     0x0160, 0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                     0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178,
                     0x81, 0x8D, 0x8F, 0x90, 0x9D }) do
  RADIO_CHARACTERS[utf8_char(c)] = true
end

-- Characters of a UTF-8 text the radio can hold. Returns the number of characters and whether
-- any is not a blank; nil when a character does not fit.
local function measure_text(text)
  local count, visible, i, size = 0, false, 1, #text
  while i <= size do
    local b = text:byte(i)
    if b < 0x80 then
      if b < 0x20 or b == 0x7F then return nil end
      if b ~= 0x20 then visible = true end
      i = i + 1
    else
      local length = (b >= 0xC2 and b <= 0xDF) and 2 or ((b >= 0xE0 and b <= 0xEF) and 3 or 0)
      if length == 0 or not RADIO_CHARACTERS[text:sub(i, i + length - 1)] then return nil end
      visible = true
      i = i + length
    end
    count = count + 1
  end
  return count, visible
end

-- The text with its capital letters made small as the program compares names: ASCII, ISO 8859-1
-- (but the multiplication sign) and the Windows-1252 capitals Š, Œ, Ž, Ÿ (UTF-8 in and out; the
-- byte length does not change). Table-driven substitutions: no locale, no backtracking.
local ASCII_SMALL = {}
for b = 0x41, 0x5A do ASCII_SMALL[string.char(b)] = string.char(b + 0x20) end
local LATIN1_SMALL = {}
for c = 0x80, 0x9E do
  if c ~= 0x97 then LATIN1_SMALL[string.char(c)] = string.char(0xC3, c + 0x20) end
end
local LATIN_EXTENDED_SMALL = {
  ["\xA0"] = "\xC5\xA1", -- Š š
  ["\x92"] = "\xC5\x93", -- Œ œ
  ["\xBD"] = "\xC5\xBE", -- Ž ž
  ["\xB8"] = "\xC3\xBF", -- Ÿ ÿ
}

local function fold_case(text)
  return (text:gsub("[A-Z]", ASCII_SMALL):gsub("\195([\128-\158])", LATIN1_SMALL)
              :gsub("\197([\146\160\184\189])", LATIN_EXTENDED_SMALL))
end


-- Document -------------------------------------------------------------------------------------

local function limit_of(node)
  return node:root():child("limit")
end

local function limit_number(node, attribute)
  return digits(limit_of(node):get(attribute))
end

local function limit_flag(node, attribute)
  return limit_of(node):get(attribute) == "1"
end

local function list_of(node, name)
  return node:root():child("Contacts"):child(name)
end

local function all_contacts(node)
  return node:root():select("dfns:Contacts/*/*")
end

local function privates_of(node)
  return list_of(node, "Privates"):children()
end

local function channel_of(element)
  return digits(element:get("channel"))
end

local function memberships_of_private(private)
  local list = private:child("ParentPrivateGroups")
  if list == nil then return {} end
  return list:children()
end

-- The ParentPrivateGroup entries of every private that name the group PID `pid`.
local function memberships_of_group(node, pid)
  local found = {}
  if pid == nil or pid == "" then return found end
  for _, private in ipairs(privates_of(node)) do
    for _, entry in ipairs(memberships_of_private(private)) do
      if entry:get("pid") == pid then found[#found + 1] = entry end
    end
  end
  return found
end

-- The privates whose home group is `pid`.
local function homes_of_group(node, pid)
  local found = {}
  if pid == nil or pid == "" then return found end
  for _, private in ipairs(privates_of(node)) do
    if private:get("home_grp") == pid then found[#found + 1] = private end
  end
  return found
end

-- The first element of list `listName` whose PID has the value `number`.
local function find_by_pid(node, listName, number)
  if number == nil then return nil end
  for _, element in ipairs(list_of(node, listName):children()) do
    if pid_value(element:get("pid")) == number then return element end
  end
  return nil
end

-- A private's id_in_use tells whether its PID serves as a private group's ID: 1 while a private
-- group holds the same PID, and 1 also for a private that keeps its PID to itself; 0 means a
-- private group may take the PID (the private group page offers exactly those PIDs as group
-- IDs). The rules keep it true: a group taking a private's PID sets it, a group giving the PID up
-- (a new PID, or deleted) clears it.

-- The query for the contacts of list `listName` whose PID has the value `number`: only those come
-- back to the script.
local function pid_query(listName, number)
  return "dfns:Contacts/dfns:" .. listName .. "/*[number(@pid) = " ..
         string.format("%d", number) .. "]"
end

-- Sets id_in_use of the private whose PID has the value `number`, if there is one.
local function mark_pid_lent(node, number, lent)
  if number == nil then return end
  local private = node:root():select_one(pid_query("Privates", number))
  if private ~= nil then private:set("id_in_use", lent and "1" or "0") end
end

-- True when a private group holds the PID of `private`.
local function pid_lent(private)
  local number = pid_value(private:get("pid"))
  return number ~= nil and private:root():count(pid_query("PrivateGroups", number)) > 0
end

-- The group (private group by preference) whose PID text is exactly `pid`.
local function group_by_pid_text(node, pid)
  for _, listName in ipairs({ "PrivateGroups", "PublicGroups" }) do
    for _, element in ipairs(list_of(node, listName):children()) do
      if element:get("pid") == pid then return element end
    end
  end
  return nil
end

-- Points every reference to the group PID `old` (memberships and home groups) at `new`; an empty
-- `new` removes the memberships and clears the home groups.
local function retarget_group_references(node, old, new)
  for _, entry in ipairs(memberships_of_group(node, old)) do
    if new == "" then entry:remove() else entry:set("pid", new) end
  end
  for _, private in ipairs(homes_of_group(node, old)) do private:set("home_grp", new) end
end

-- Deletes a private group and every reference to it; a private whose PID it held gets it back.
local function delete_private_group(group)
  retarget_group_references(group, group:get("pid"), "")
  mark_pid_lent(group, pid_value(group:get("pid")), false)
  group:remove()
end

-- Takes a private out of all its private groups; groups left without members are deleted.
local function leave_private_groups(private)
  local left = {}
  for _, entry in ipairs(memberships_of_private(private)) do
    left[#left + 1] = entry:get("pid")
    entry:remove()
  end
  for _, pid in ipairs(left) do
    if #memberships_of_group(private, pid) == 0 then
      local group = nil
      for _, candidate in ipairs(list_of(private, "PrivateGroups"):children()) do
        if candidate:get("pid") == pid then
          group = candidate
          break
        end
      end
      if group ~= nil then delete_private_group(group) end
    end
  end
end

-- True when some other contact holds the PID `number`. A private group may take the PID of a
-- private whose id_in_use is 0 (or keep the one it has); a private may take a private group's PID
-- unless it keeps its own PID to itself. The second result tells whether a private group other
-- than `element` holds the PID.
local function pid_taken(element, number)
  local kind = element:name()
  local taken, group = false, false
  -- Only the few contacts whose pid has the same value come back to the script.
  local query = "dfns:Contacts/*/*[number(@pid) = " .. string.format("%d", number) .. "]"
  for _, other in ipairs(element:root():select(query)) do
    if pid_value(other:get("pid")) == number and other ~= element then
      local otherKind = other:name()
      local shared = false
      if otherKind == "PrivateGroup" then group = true end
      if kind == "PrivateGroup" and otherKind == "Private" then
        shared = other:get("id_in_use") == "0" or pid_value(element:get("pid")) == number
      elseif kind == "Private" and otherKind == "PrivateGroup" then
        shared = element:get("id_in_use") == "0" or pid_lent(element)
      end
      if not shared then taken = true end
    end
  end
  return taken, group
end

-- PIDs in use by contacts and by the radio itself, as a set of numbers.
local function used_pids(node)
  local used = {}
  for _, contact in ipairs(all_contacts(node)) do
    local number = pid_value(contact:get("pid"))
    if number ~= nil then used[number] = true end
  end
  local own = pid_value(limit_of(node):get("pid"))
  if own ~= nil then used[own] = true end
  return used
end

-- The lowest PID of the valid range that nobody uses; nil when there is none.
local function free_pid(node)
  local first = pid_value(limit_of(node):get("valid_PID_start"))
  local last = pid_value(limit_of(node):get("valid_PID_end"))
  if first == nil or last == nil then return nil end
  local used = used_pids(node)
  local number = first
  while number <= last do
    if not used[number] then return number end
    number = number + 1
  end
  return nil
end

-- The position (1-based) of `number` in the public group pool, or nil outside it.
local function pool_position(node, number)
  local start = pid_value(limit_of(node):get("starting_public_grp_pid"))
  local size = limit_number(node, "public_grp_list_size")
  if number == nil or start == nil or size == nil then return nil end
  local position = start - number + 1
  if position >= 1 and position <= size then return position end
  return nil
end

-- The PID of the first pool position that nobody uses; nil when the pool is used up.
local function free_pool_pid(node)
  local start = pid_value(limit_of(node):get("starting_public_grp_pid"))
  local size = limit_number(node, "public_grp_list_size")
  if start == nil or size == nil then return nil end
  local used = used_pids(node)
  for position = 1, size do
    local number = start - (position - 1)
    if number < 0 then return nil end
    if not used[number] then return number end
  end
  return nil
end

-- Public groups of `channel` in the scan list, `except` not counted.
local function scan_list_count(node, channel, except)
  local count = 0
  for _, group in ipairs(list_of(node, "PublicGroups"):children()) do
    if group ~= except and channel_of(group) == channel and group:get("in_scan_list") == "1" then
      count = count + 1
    end
  end
  return count
end

-- "base N" with the smallest N that no contact's name has, without regard to case.
local function unique_name(node, base)
  local names = {}
  for _, contact in ipairs(all_contacts(node)) do
    local name = contact:get("name")
    if name ~= nil and #name <= 3 * MAX_NAME_LENGTH then names[fold_case(name)] = true end
  end
  local number = 1
  while names[fold_case(base .. " " .. number)] do number = number + 1 end
  return base .. " " .. number
end

local function contact_room(node)
  local capacity = math.min(limit_number(node, "max_num_of_contacts") or 0, CONTACT_SLOTS)
  return #all_contacts(node) < capacity
end

-- Shared setters ---------------------------------------------------------------------------------

local function set_fixed(element, attribute, value)
  local number = integer_value(value)
  if number == nil or tostring(number) ~= element:get(attribute) then
    return refused(MSG_INVALID)
  end
  return taken()
end

local function set_flag(element, attribute, value)
  local flag = flag_value(value)
  if flag == nil then return refused(MSG_INVALID) end
  element:set(attribute, tostring(flag))
  return taken()
end

local function set_name(element, attribute, value)
  if type(value) ~= "string" then return refused(MSG_INVALID) end
  -- Every character takes one to three bytes, so a longer text is too long or not valid.
  if #value > 3 * MAX_NAME_LENGTH then return refused(MSG_NAME_LENGTH) end
  local length, visible = measure_text(value)
  if length == nil or not visible then return refused(MSG_INVALID) end
  if length > MAX_NAME_LENGTH then return refused(MSG_NAME_LENGTH) end
  -- Every contact's name in one call; the element's own name is among them.
  -- Only names of the same length, whose last character matches, are folded and compared.
  local folded = fold_case(value)
  local last = folded:byte(-1)
  local same = 0
  for _, name in ipairs(element:root():values("dfns:Contacts/*/*/@name")) do
    if #name == #folded then
      local b = name:byte(-1)
      if b >= 0x41 and b <= 0x5A then b = b + 0x20 end
      if (last >= 0x80 or b == last) and fold_case(name) == folded then same = same + 1 end
    end
  end
  local own = element:get("name")
  if own ~= nil and #own == #folded and fold_case(own) == folded then same = same - 1 end
  if same > 0 then return refused(MSG_NAME_EXISTS) end
  element:set(attribute, value)
  return taken()
end

-- The channel a value names, or nil outside 1..max_num_of_channels.
local function channel_value(node, value)
  local channel = integer_value(value)
  if in_range(channel, 1, limit_number(node, "max_num_of_channels")) then return channel end
  return nil
end

-- PID of a private or a private group: inside the valid range and not another contact's.
-- Changing a group's PID carries every reference along.
local function set_ranged_pid(element, attribute, value)
  local number = pid_value(value)
  local first = pid_value(limit_of(element):get("valid_PID_start"))
  local last = pid_value(limit_of(element):get("valid_PID_end"))
  if not in_range(number, first, last) then return refused(MSG_INVALID) end
  local other, group = pid_taken(element, number)
  if other then return refused(MSG_PID_EXISTS) end
  local old, new = element:get(attribute), tostring(number)
  if old == new then return taken() end
  if element:name() == "PrivateGroup" then
    mark_pid_lent(element, pid_value(old), false)
    element:set(attribute, new)
    mark_pid_lent(element, number, true)
    retarget_group_references(element, old, new)
  else
    local lent = element:get("id_in_use") == "1" and pid_lent(element)
    element:set(attribute, new)
    if group then
      element:set("id_in_use", "1")
    elseif lent then
      element:set("id_in_use", "0")
    end
  end
  return taken()
end

-- Dispatches a SetVal call to the setter of the attribute.
local function dispatch(setters, element, attribute, value, answer)
  local name = attribute:name()
  local setter = setters[name]
  if setter == nil then return refused(MSG_INVALID) end
  return setter(element, name, value, answer)
end

-- Public groups ----------------------------------------------------------------------------------

local function set_public_group_pid(element, attribute, value)
  local number = pid_value(value)
  if pool_position(element, number) == nil then return refused(MSG_INVALID) end
  if pid_taken(element, number) then return refused(MSG_PID_EXISTS) end
  local old, new = element:get(attribute), tostring(number)
  if old == new then return taken() end
  element:set(attribute, new)
  retarget_group_references(element, old, new)
  return taken()
end

-- A group in a scan list asks first; it then stays in the scan list of its new channel while
-- that list has room, and leaves it (with a notice) when it has none. Privates of the old
-- channel lose it as their home group.
local function set_public_group_channel(element, attribute, value, answer)
  local channel = channel_value(element, value)
  if channel == nil then return refused(MSG_INVALID) end
  if channel == channel_of(element) then return taken() end
  local scanned = element:get("in_scan_list") == "1"
  if scanned and not agreed(answer) then return question(answer, MSG_SCAN_MOVE) end

  local notice = 0
  if scanned and scan_list_count(element, channel, element) >= MAX_SCAN_LIST then
    element:set("in_scan_list", "0")
    notice = MSG_SCAN_FULL
  end
  element:set(attribute, tostring(channel))
  for _, private in ipairs(homes_of_group(element, element:get("pid"))) do
    if channel_of(private) ~= channel then private:set("home_grp", "") end
  end
  if notice ~= 0 then return taken(notice, NOTICE) end
  return taken()
end

local function set_in_scan_list(element, attribute, value)
  local flag = flag_value(value)
  if flag == nil then return refused(MSG_INVALID) end
  if tostring(flag) == element:get(attribute) then return taken() end
  if flag == 1 and scan_list_count(element, channel_of(element), element) >= MAX_SCAN_LIST then
    return refused(MSG_INVALID)
  end
  element:set(attribute, tostring(flag))
  return taken()
end

local PUBLIC_GROUP_SETTERS = {
  cntct_type = set_fixed,
  name = set_name,
  pid = set_public_group_pid,
  channel = set_public_group_channel,
  in_scan_list = set_in_scan_list,
  in_scroll_list = set_flag,
}

function SetVal_PublicGroup(element, attribute, value, answer)
  return dispatch(PUBLIC_GROUP_SETTERS, element, attribute, value, answer)
end

function OnDelete_PublicGroup(child, confirmed)
  for _, private in ipairs(homes_of_group(child, child:get("pid"))) do
    private:set("home_grp", "")
  end
  child:remove()
  return taken()
end

function CanAddChild_PublicGroups(list)
  local capacity = math.min(limit_number(list, "max_num_of_public_grps") or 0, CONTACT_SLOTS)
  return contact_room(list) and #list:children() < capacity and free_pool_pid(list) ~= nil
end

function OnAddNew_PublicGroups(list)
  if not CanAddChild_PublicGroups(list) then return nil end
  local group = list:create("PublicGroup")
  group:set("cntct_type", "2")
  group:set("name", unique_name(list, "New Public Grp"))
  group:set("pid", tostring(free_pool_pid(list)))
  group:set("channel", "1")
  group:set("in_scan_list", "0")
  group:set("in_scroll_list", "0")
  return list:append(group)
end

function IsEnabled_PublicGroups(list)
  return true
end

-- Private groups ---------------------------------------------------------------------------------

-- A private group moves only to a channel where some private can still join a group. Its members
-- are asked about first; then every membership of it and every home group reference to it goes.
local function set_private_group_channel(element, attribute, value, answer)
  local channel = channel_value(element, value)
  if channel == nil then return refused(MSG_INVALID) end
  if channel == channel_of(element) then return taken() end

  local joinable = false
  for _, private in ipairs(privates_of(element)) do
    if channel_of(private) == channel and
        #memberships_of_private(private) < MAX_GROUPS_OF_PRIVATE then
      joinable = true
      break
    end
  end
  if not joinable then return refused(MSG_NO_PRIVATE_ON_CHANNEL) end

  local pid = element:get("pid")
  if #memberships_of_group(element, pid) > 0 and not agreed(answer) then
    return question(answer, MSG_GROUP_CHANNEL)
  end
  retarget_group_references(element, pid, "")
  element:set(attribute, tostring(channel))
  return taken()
end

local PRIVATE_GROUP_SETTERS = {
  cntct_type = set_fixed,
  name = set_name,
  pid = set_ranged_pid,
  channel = set_private_group_channel,
  in_scroll_list = set_flag,
}

function SetVal_PrivateGroup(element, attribute, value, answer)
  return dispatch(PRIVATE_GROUP_SETTERS, element, attribute, value, answer)
end

function OnDelete_PrivateGroup(child, confirmed)
  if #memberships_of_group(child, child:get("pid")) > 0 and not confirmed_flag(confirmed) then
    return asked(MSG_DELETE_GROUP)
  end
  delete_private_group(child)
  return taken()
end

function CanAddChild_PrivateGroups(list)
  local capacity = math.min(limit_number(list, "max_num_of_private_grps") or 0, CONTACT_SLOTS)
  return contact_room(list) and #list:children() < capacity and free_pid(list) ~= nil
end

-- A new private group goes to the first channel where a private can join it (channel 1 when
-- there is none), so that it can be given members at once.
function OnAddNew_PrivateGroups(list)
  if not CanAddChild_PrivateGroups(list) then return nil end
  local channel = nil
  for _, private in ipairs(privates_of(list)) do
    local own = channel_of(private)
    if own ~= nil and #memberships_of_private(private) < MAX_GROUPS_OF_PRIVATE and
        (channel == nil or own < channel) then
      channel = own
    end
  end
  if not in_range(channel, 1, limit_number(list, "max_num_of_channels")) then channel = 1 end
  local group = list:create("PrivateGroup")
  group:set("cntct_type", "1")
  group:set("name", unique_name(list, "New Private Grp"))
  group:set("pid", tostring(free_pid(list)))
  group:set("channel", tostring(channel))
  group:set("in_scroll_list", "0")
  return list:append(group)
end

function IsEnabled_PrivateGroups(list)
  return limit_flag(list, "add_prvt_grp_en") or #list:children() > 0
end

-- Privates ---------------------------------------------------------------------------------------

-- A private that belongs to groups or has a home group asks first; it then leaves its groups
-- (groups left without members are deleted) and its home group is cleared.
local function set_private_channel(element, attribute, value, answer)
  local channel = channel_value(element, value)
  if channel == nil then return refused(MSG_INVALID) end
  if channel == channel_of(element) then return taken() end
  local home = element:get("home_grp")
  if (#memberships_of_private(element) > 0 or (home ~= nil and home ~= "")) and
      not agreed(answer) then
    return question(answer, MSG_PRIVATE_CHANNEL)
  end
  leave_private_groups(element)
  element:set("home_grp", "")
  element:set(attribute, tostring(channel))
  return taken()
end

-- The home group: empty for none, else a private or public group of the private's channel. The
-- radio counts a home private group among the private's groups, so choosing one that the private
-- is not in makes it a member, while it is in fewer than 5 groups (140 otherwise).
local function set_home_group(element, attribute, value)
  if value == "" then
    element:set(attribute, "")
    return taken()
  end
  local number = pid_value(value)
  if number == nil then return refused(MSG_INVALID) end
  local group = find_by_pid(element, "PrivateGroups", number)
  local private_group = group ~= nil
  group = group or find_by_pid(element, "PublicGroups", number)
  if group == nil then return refused(MSG_NO_TARGET) end
  if channel_of(group) ~= channel_of(element) then return refused(MSG_OTHER_CHANNEL) end
  local pid = group:get("pid")
  if private_group then
    local joined = false
    for _, entry in ipairs(memberships_of_private(element)) do
      if entry:get("pid") == pid then joined = true end
    end
    if not joined then
      local list = element:child("ParentPrivateGroups")
      if list == nil then
        list = element:append(element:create("ParentPrivateGroups"))
      elseif #list:children() >= MAX_GROUPS_OF_PRIVATE then
        return refused(MSG_GROUPS_FULL)
      end
      list:append(list:create("ParentPrivateGroup")):set("pid", pid)
    end
  end
  element:set(attribute, pid)
  return taken()
end

-- id_in_use 1 keeps the private's PID from private groups; 0 offers it to them, refused while a
-- private group holds it.
local function set_id_in_use(element, attribute, value)
  local flag = flag_value(value)
  if flag == nil then return refused(MSG_INVALID) end
  if flag == 0 and pid_lent(element) then return refused(MSG_PID_EXISTS) end
  element:set(attribute, tostring(flag))
  return taken()
end

local function set_alert_tone(element, attribute, value)
  local tone = integer_value(value)
  if not in_range(tone, 1, ALERT_TONES) then return refused(MSG_INVALID) end
  element:set(attribute, tostring(tone))
  return taken()
end

local PRIVATE_SETTERS = {
  cntct_type = set_fixed,
  name = set_name,
  pid = set_ranged_pid,
  channel = set_private_channel,
  in_scroll_list = set_flag,
  alert_tone = set_alert_tone,
  home_grp = set_home_group,
  show_grp_only = set_flag,
  id_in_use = set_id_in_use,
  see_all_groups = set_flag,
  mngr_mode = set_flag,
}

function SetVal_Private(element, attribute, value, answer)
  return dispatch(PRIVATE_SETTERS, element, attribute, value, answer)
end

function OnDelete_Private(child, confirmed)
  if #memberships_of_private(child) > 0 and not confirmed_flag(confirmed) then
    return asked(MSG_DELETE_PRIVATE)
  end
  leave_private_groups(child)
  child:remove()
  return taken()
end

function CanAddChild_Privates(list)
  return contact_room(list) and free_pid(list) ~= nil
end

function OnAddNew_Privates(list)
  if not CanAddChild_Privates(list) then return nil end
  local private = list:create("Private")
  private:set("cntct_type", "0")
  private:set("name", unique_name(list, "New Private"))
  private:set("pid", tostring(free_pid(list)))
  private:set("channel", "1")
  private:set("in_scroll_list", "0")
  private:set("alert_tone", "1")
  private:set("home_grp", "")
  private:set("show_grp_only", "0")
  private:set("id_in_use", "0")
  private:set("see_all_groups", "0")
  private:set("mngr_mode", "0")
  private:append(private:create("ParentPrivateGroups"))
  return list:append(private)
end

function IsEnabled_Privates(list)
  return limit_flag(list, "add_prvt_contacts_en") or limit_flag(list, "prvt_call_tx_en") or
         #list:children() > 0
end

-- Memberships ------------------------------------------------------------------------------------

-- A private that leaves the private group `old` (for the group `new`, or for none) no longer has
-- it as home group: the radio would hold it among the private's groups again.
local function leave_home_group(private, old, new)
  if old ~= new and old ~= nil and old ~= "" and private:get("home_grp") == old and
      find_by_pid(private, "PrivateGroups", pid_value(old)) ~= nil then
    private:set("home_grp", "")
  end
end

-- The first private group of the private's channel that it does not belong to yet.
local function joinable_group(private)
  local joined = {}
  for _, entry in ipairs(memberships_of_private(private)) do joined[entry:get("pid")] = true end
  local channel = channel_of(private)
  for _, group in ipairs(list_of(private, "PrivateGroups"):children()) do
    local pid = group:get("pid")
    if channel_of(group) == channel and pid ~= "" and not joined[pid] then return group end
  end
  return nil
end

-- A membership names a private group of the private's channel that the private is not yet in.
function SetVal_ParentPrivateGroup(element, attribute, value, answer)
  if attribute:name() ~= "pid" then return refused(MSG_INVALID) end
  local list = element:parent()
  local private = list:parent()
  if #list:children() > MAX_GROUPS_OF_PRIVATE then return refused(MSG_GROUPS_FULL) end
  local number = pid_value(value)
  if number == nil then return refused(MSG_INVALID) end
  local group = find_by_pid(element, "PrivateGroups", number)
  if group == nil then return refused(MSG_NO_TARGET) end
  if channel_of(group) ~= channel_of(private) then return refused(MSG_OTHER_CHANNEL) end
  local pid = group:get("pid")
  for _, entry in ipairs(list:children()) do
    if entry ~= element and entry:get("pid") == pid then return refused(MSG_INVALID) end
  end
  leave_home_group(private, element:get("pid"), pid)
  element:set("pid", pid)
  return taken()
end

function OnDelete_ParentPrivateGroup(child, confirmed)
  local private = child:parent() and child:parent():parent()
  if private ~= nil then leave_home_group(private, child:get("pid"), nil) end
  child:remove()
  return taken()
end

function CanAddChild_ParentPrivateGroups(list)
  return #list:children() < MAX_GROUPS_OF_PRIVATE and joinable_group(list:parent()) ~= nil
end

-- The new membership names the first group the private can join; the caller then sets the group
-- it wants.
function OnAddNew_ParentPrivateGroups(list)
  if #list:children() >= MAX_GROUPS_OF_PRIVATE then return nil end
  local group = joinable_group(list:parent())
  if group == nil then return nil end
  local entry = list:create("ParentPrivateGroup")
  entry:set("pid", group:get("pid"))
  return list:append(entry)
end

-- Text messages ----------------------------------------------------------------------------------

function SetVal_TextMessage(element, attribute, value, answer)
  if attribute:name() ~= "txt" or type(value) ~= "string" then return refused(MSG_INVALID) end
  if #value > 3 * MAX_TEXT_LENGTH then return refused(MSG_INVALID) end
  local length, visible = measure_text(value)
  if length == nil or not visible or length > MAX_TEXT_LENGTH then
    return refused(MSG_INVALID)
  end
  element:set("txt", value)
  return taken()
end

function OnDelete_TextMessage(child, confirmed)
  child:remove()
  return taken()
end

function CanAddChild_TextMessages(list)
  local capacity = math.min(limit_number(list, "max_num_of_predefined_msgs") or 0, TEXT_SLOTS)
  return #list:children() < capacity
end

function OnAddNew_TextMessages(list)
  if not CanAddChild_TextMessages(list) then return nil end
  local message = list:create("TextMessage")
  message:set("txt", "New Message")
  return list:append(message)
end

function IsEnabled_TextMessages(list)
  return limit_flag(list, "sms_compose_mesgs_en") or limit_flag(list, "sms_free_form_mesgs_en") or
         #list:children() > 0
end

-- Settings ---------------------------------------------------------------------------------------

-- Each checker gives the text to store, or nil for a value it refuses.

local function number_between(low, high)
  return function(element, value)
    local number = integer_value(value)
    if in_range(number, low, high) then return tostring(number) end
    return nil
  end
end

local function volume_level(low)
  return function(element, value)
    local number = integer_value(value)
    if in_range(number, low, limit_number(element, "max_vol_level")) then
      return tostring(number)
    end
    return nil
  end
end

local function setting_flag(element, value)
  local flag = flag_value(value)
  return flag ~= nil and tostring(flag) or nil
end

local function backlight_time(element, value)
  local number = integer_value(value)
  if number ~= nil and BACKLIGHT_TIMES[number] then return tostring(number) end
  return nil
end

-- One of the first num_of_languages languages of the limit.
local function language_id(element, value)
  local number = integer_value(value)
  local offered = limit_number(element, "num_of_languages") or 0
  local languages = limit_of(element):child("languages")
  if number == nil or languages == nil then return nil end
  for index, language in ipairs(languages:children()) do
    if index > offered then break end
    if digits(language:get("language_id")) == number then return tostring(number) end
  end
  return nil
end

-- Empty, or a PID of the valid range.
local function forward_target(element, value)
  if value == "" then return "" end
  local number = pid_value(value)
  local first = pid_value(limit_of(element):get("valid_PID_start"))
  local last = pid_value(limit_of(element):get("valid_PID_end"))
  if in_range(number, first, last) then return tostring(number) end
  return nil
end

local SETTING_CHECKS = {
  contrast = number_between(0, 6),
  backlight = backlight_time,
  vibracall = setting_flag,
  current_time = number_between(0, MAX_WORD),
  alarm_time = number_between(0, MAX_WORD),
  ringer_vol_level = volume_level(0),
  speaker_vol_level = volume_level(1),
  keypad_vol_level = volume_level(0),
  alarm_vol_level = volume_level(1),
  earpiece_vol_level = volume_level(1),
  language = language_id,
  call_forward_id = forward_target,
  time_format = setting_flag,
  date_format = setting_flag,
  see_all_grps = setting_flag,
  scan_en = setting_flag,
  alarm_en = setting_flag,
  mngr_mode = setting_flag,
  call_fwd_en = setting_flag,
  is_disabled = setting_flag,
}

function SetVal_setting(element, attribute, value, answer)
  local name = attribute:name()
  local check = SETTING_CHECKS[name]
  local text = check and check(element, value)
  if text == nil then return refused(MSG_INVALID) end
  element:set(name, text)
  return taken()
end
